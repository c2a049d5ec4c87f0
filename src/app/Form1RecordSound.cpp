// Record from the sound card: a tape played into line-in, read as it comes.
#include "app/Form1.h"
#include "app/Form1FrontEnd.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/window/FocusReturn.h"
#include "tape/formats/RecordingHook.h"
#include "tape/formats/SnapshotHook.h"
#include "tape/TapeChoice.h"
#include "tape/formats/RecordingHook.h"
#include "transfer/AudioRecording.h"
#include "transfer/FsPath.h"
#include "transfer/RecordTarget.h"

#include <QPushButton>

namespace bitreel {

void Form1::RecordFromSoundCard() {
    // A transfer locks the list.
    if (!lstContents->isEnabled()) {
        return;
    }
    ClearFailureReason();
    const FocusReturn focus(*this, *cmdRecord);
    if (!services_.audioInput) {
        ShowFailureReason(QStringLiteral("No sound card to record from"));
        return;
    }
    // A TZX file keeps every block with its measured timings, and what was
    // not understood as sound; the machine's own files keep the data blocks.
    const TapeLayout layout = LayoutInForce();
    RecordDialogRequest ask = RecordRequest(layout, ToFsPath(Dir1->Path()));
    const std::string blocksExtension = ask.defaultExtension;
    ask.title = "Record from Sound Card";
    ask.pattern = "*.TZX " + ask.pattern;
    ask.defaultExtension = "TZX";
    const auto chosen = services_.recordDialog->Ask(ask);
    if (!chosen) {
        return;
    }
    // A snapshot name would write a tape image a later open reads as a snapshot.
    if (IsRecordingPath(*chosen) || IsSnapshotPath(*chosen)) {
        ShowFailureReason(
            QStringLiteral("Record into a .TZX or .%1 file, not a sound file or a snapshot")
                .arg(QString::fromStdString(blocksExtension)));
        return;
    }
    std::unique_ptr<AudioInput> input;
    try {
        input = services_.audioInput(DefaultSampleRate);
    } catch (const AudioInputError& error) {
        ShowFailureReason(QString::fromStdString(error.what()));
        return;
    }
    AudioRecordingRequest request;
    request.machine = Machine();
    request.layout = layout;
    request.tzx = ImageFormatOf(*chosen, request.machine) == ImageFormat::Tzx;
    request.output = *chosen;
    request.existing = ExistingFile::Replace; // the dialog asked before a file is replaced

    Form1FrontEnd frontEnd(*this);
    AudioRecording recording(*input, frontEnd, frontEnd);
    const OpenFiles::Hold held = heldFiles_.Keep([&recording] { recording.Abandon(); });
    ShowHowItEnded(recording.Run(request));
}

} // namespace bitreel
