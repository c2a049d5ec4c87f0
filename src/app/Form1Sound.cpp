// The contents list's sound entries: play through the sound card, go on
// after a stop block, and save the tape's sound as a file.
#include "app/Form1.h"
#include "app/Form1FrontEnd.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/FileList.h"
#include "app/window/FocusReturn.h"
#include "app/window/StatusReason.h"
#include "app/window/TransferWords.h"
#include "signal/render/TapeAudioFile.h"
#include "tape/TapeImage.h"
#include "transfer/AudioPlayback.h"
#include "transfer/FsPath.h"
#include "transfer/TransferSteps.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

namespace bitreel {
namespace {

// The wait cursor while a tape's sound is written, however it ends.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void Form1::ShowContentsMenu(const QPoint& at) {
    actPlaySound->setEnabled(ChosenTapeListed());
    actSaveAudio->setEnabled(ChosenTapeListed());
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuContents"));
    menu.addAction(actPlaySound);
    menu.addAction(actSaveAudio);
    menu.addAction(actRecordSound);
    menu.addSeparator();
    menu.addAction(actInvertSound);
    menu.exec(lstContents->viewport()->mapToGlobal(at));
    // The keys stay live (the play key for a stop block), whatever the menu showed.
    actPlaySound->setEnabled(true);
    actSaveAudio->setEnabled(true);
}

bool Form1::ChosenTapeListed() const {
    return File1->ListIndex() >= 0 && lstContents->count() > 0;
}

void Form1::PlayThroughSoundCard() {
    if (tapeStoppedAt_) {
        goOn_ = true;
        return;
    }
    // A transfer locks the list; with no file or no rows there is nothing to play.
    if (soundPlaying_ || !lstContents->isEnabled() || !ChosenTapeListed()) {
        return;
    }
    ClearFailureReason();
    const FocusReturn focus(*this, *lstContents);
    if (!services_.audioOutput) {
        ShowFailureReason(QStringLiteral("No sound card to play to"));
        return;
    }
    std::unique_ptr<AudioOutput> output;
    try {
        output = services_.audioOutput(soundOptions_.rate);
    } catch (const AudioOutputError& error) {
        ShowFailureReason(QString::fromStdString(error.what()));
        return;
    }
    PlayRequest request;
    request.file = ToFsPath(QDir(File1->Path()).filePath(File1->FileName()));
    request.layout = LayoutInForce();
    request.startRow = StartRow();
    request.rowCount = lstContents->count();

    Form1FrontEnd frontEnd(*this);
    AudioPlayback playback(*output, frontEnd, frontEnd);
    const OpenFiles::Hold held = heldFiles_.Keep([&playback] { playback.Abandon(); });
    soundPlaying_ = true;
    const TransferResult result = playback.Run(request, soundOptions_);
    soundPlaying_ = false;
    tapeStoppedAt_.reset();
    goOn_ = false;
    ShowHowItEnded(result);
}

void Form1::SaveAsAudio() {
    // A transfer locks the list; with no file or no rows there is nothing to save.
    if (!lstContents->isEnabled() || !ChosenTapeListed()) {
        return;
    }
    ClearFailureReason();
    const FocusReturn focus(*this, *lstContents);
    const std::filesystem::path file = ToFsPath(QDir(File1->Path()).filePath(File1->FileName()));
    std::filesystem::path suggested = file;
    suggested.replace_extension(".wav");
    const auto chosen = services_.saveDialog->Ask(
        {"Save as Audio", "Sound Files", "*.wav *.flac *.csw", suggested});
    if (!chosen) {
        return;
    }
    // A name without a sound file's extension gets WAV's.
    // The dialog asked about replacing the name typed, not one with an
    // extension added: a file of that name is refused, never replaced unasked.
    std::filesystem::path out = *chosen;
    FileCreation creation = FileCreation::Replace;
    if (!AudioFileTypeOf(out)) {
        out += ".wav";
        creation = FileCreation::Refuse;
    }
    const BusyCursor busy;
    TapeImage image;
    try {
        image = TapeImage(file, Machine(), LayoutInForce());
        image.IndexAll();
    } catch (const std::system_error& error) {
        ShowFailureReason(QString::fromStdString(ReadFailure(file, error)));
        return;
    }
    TapeAudioResult result;
    try {
        result = WriteTapeAudio(image, PulseRange{static_cast<std::size_t>(StartRow()), {}},
                                soundOptions_, out, *AudioFileTypeOf(out), {}, creation);
    } catch (const std::system_error& error) {
        ShowFailureReason(QString::fromStdString(FileFailure("Cannot write", out, error)));
        return;
    }
    // Saved beside the tapes, it is listed at once when the pattern lists it;
    // saved over the file shown, its rows are listed afresh.
    std::error_code unknown;
    if (std::filesystem::equivalent(out, file, unknown)) {
        File1_Click();
    } else if (std::filesystem::equivalent(out.parent_path(), file.parent_path(), unknown)) {
        File1->RefreshKeepingChoice();
    }
    // The file holds the sound up to it, as a Play goes up to it.
    if (result.corruptRow) {
        ShowFailureReason(QString::fromStdString(
            "Stopped at block " + RowNumberText(static_cast<long long>(*result.corruptRow)) +
            ": corrupt block"));
        return;
    }
    const QString name = FromFsPath(out.filename());
    reason_->Show(QStringLiteral("Saved %1 s of sound to %2")
                      .arg(static_cast<double>(result.samples) / soundOptions_.rate, 0, 'f', 1)
                      .arg(name),
                  name);
}

void Form1::TapeStoppedAt(int row) {
    tapeStoppedAt_ = row;
    goOn_ = false;
    lblStatus->setText(QString::fromStdString(TapeStoppedText(
        row, actPlaySound->shortcut().toString(QKeySequence::NativeText).toStdString())));
}

bool Form1::TakeGoOn() {
    if (!goOn_) {
        return false;
    }
    goOn_ = false;
    tapeStoppedAt_.reset();
    return true;
}

} // namespace bitreel
