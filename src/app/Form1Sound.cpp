// The contents list's sound card entries: play through the sound card, and
// go on after a stop block.
#include "app/ContentsList.h"
#include "app/DirList.h"
#include "app/FileList.h"
#include "app/FocusReturn.h"
#include "app/Form1.h"
#include "app/Form1FrontEnd.h"
#include "app/TransferWords.h"
#include "transfer/AudioPlayback.h"
#include "transfer/FsPath.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>

namespace bitreel {

void Form1::ShowContentsMenu(const QPoint& at) {
    actPlaySound->setEnabled(lstContents->count() > 0);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuContents"));
    menu.addAction(actPlaySound);
    menu.addAction(actInvertSound);
    menu.exec(lstContents->viewport()->mapToGlobal(at));
    // The key stays live for a stop block, whatever the menu showed.
    actPlaySound->setEnabled(true);
}

void Form1::PlayThroughSoundCard() {
    if (tapeStoppedAt_) {
        goOn_ = true;
        return;
    }
    // A transfer locks the list; with no rows there is nothing to play.
    if (soundPlaying_ || !lstContents->isEnabled() || lstContents->count() == 0) {
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
    AudioPlayback playback(*output, frontEnd);
    const OpenFiles::Hold held = heldFiles_.Keep([&playback] { playback.Abandon(); });
    soundPlaying_ = true;
    const TransferResult result = playback.Run(request, soundOptions_);
    soundPlaying_ = false;
    tapeStoppedAt_.reset();
    goOn_ = false;
    ShowHowItEnded(result);
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
