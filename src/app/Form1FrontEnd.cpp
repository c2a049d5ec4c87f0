// Shows what the Play and Record engines report in the main window.
#include "app/Form1FrontEnd.h"

#include "app/browser/ListedText.h"

#include "app/Form1.h"
#include "app/browser/ClickComboBox.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/DriveList.h"
#include "app/browser/FileList.h"
#include "app/window/TransferWords.h"
#include "transfer/FsPath.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace bitreel {
namespace {

void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
}

// Status and row texts hold one byte per character, shown as Latin-1.
QString FromBytes(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void Form1FrontEnd::RunStarts(Transfer transfer) {
    transfer_ = transfer;
    waits_.RunStarts(transfer, LineWaits::Clock::now());
    if (transfer == Transfer::Play) {
        LockForPlay();
        form_.StopRequested = false;
        form_.lblStatus->setText(FromBytes(ActivityText(Activity::Playing)));
    } else {
        form_.StopRequested = false;
        resetWasEnabled_ = form_.cmdReset->isEnabled();
        if (form_.File1->ListIndex() >= 0) {
            chosenBefore_ = ToFsPath(form_.File1->Path()) / ToFsPath(form_.File1->FileName());
        }
        LockForRecord();
        form_.lblStatus->setText(FromBytes(ActivityText(Activity::Recording)));
    }
    form_.repaint();
}

void Form1FrontEnd::LockForPlay() {
    SetEnabled({form_.optMachine[0], form_.optMachine[1], form_.cmdPlay, form_.cmdReset,
                form_.cmdRecord, form_.cboComPort, form_.File1, form_.Dir1, form_.Drive1,
                form_.lstContents, form_.cboFormat},
               false);
    form_.cmdStop->setEnabled(true);
}

void Form1FrontEnd::LockForRecord() {
    // In this order; Stop waits until the file is chosen.
    SetEnabled({form_.optMachine[0], form_.optMachine[1], form_.lstContents, form_.Drive1,
                form_.File1, form_.Dir1, form_.cmdPlay, form_.cmdReset, form_.cmdRecord,
                form_.cboComPort, form_.cboFormat},
               false);
}

void Form1FrontEnd::RunEnds(Transfer transfer, const TransferResult& result) {
    if (transfer == Transfer::Play) {
        UnlockAfterPlay(result);
    } else {
        UnlockAfterRecord(result);
    }
}

void Form1FrontEnd::UnlockAfterPlay(const TransferResult& result) {
    form_.lblStatus->setText(QString());
    form_.lblStatus2->setText(QString());
    ContentsList* list = form_.lstContents;
    if (list->count() > 0) {
        // A tape that stopped for the next load goes on from there.
        const int resume = result.resumeRow.value_or(0);
        if (resume > 0 && resume < list->count()) {
            list->setCurrentRow(resume, QItemSelectionModel::ClearAndSelect);
            list->scrollToRow(resume);
        } else {
            list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        }
    }
    SetEnabled({form_.optMachine[0], form_.optMachine[1], form_.cmdPlay, form_.cmdReset,
                form_.cmdRecord, form_.cboComPort, form_.File1, form_.Dir1, form_.Drive1,
                form_.lstContents},
               true);
    form_.cmdStop->setEnabled(false);
    form_.cboFormat->setEnabled(form_.Machine() == MachineKind::JupiterAce);
}

void Form1FrontEnd::UnlockAfterRecord(const TransferResult& result) {
    // A recording ended by Stop, or one that failed after writing blocks,
    // shows its new file in the file list.
    const bool recorded = !result.file.empty();
    if ((result.ending == TransferResult::Ending::Stopped || recorded) && recordingFolder_) {
        form_.File1->SetPath(FromFsPath(*recordingFolder_));
    }
    form_.optMachine[0]->setEnabled(true);
    form_.optMachine[1]->setEnabled(true);
    form_.cmdRecord->setEnabled(true);
    form_.cmdStop->setEnabled(false);
    form_.cmdPlay->setEnabled(false);
    form_.cmdReset->setEnabled(resetWasEnabled_);
    form_.cboComPort->setEnabled(true);
    form_.lblStatus->setText(QString());
    form_.lblStatus2->setText(QString());
    SetEnabled({form_.File1, form_.Dir1, form_.Drive1, form_.lstContents}, true);
    form_.cboFormat->setEnabled(form_.Machine() == MachineKind::JupiterAce);
    // The recording is ready to play; a recording that wrote nothing gives
    // the list back to the file chosen before.
    if (recorded) {
        ChooseFile(result.file);
    } else if (chosenBefore_) {
        ChooseFile(*chosenBefore_);
    }
}

void Form1FrontEnd::ChooseFile(const std::filesystem::path& file) {
    std::error_code unknown;
    if (std::filesystem::equivalent(ToFsPath(form_.File1->Path()), file.parent_path(), unknown)) {
        static_cast<void>(form_.ChooseListedFile(FromFsPath(file.filename())));
    }
}

void Form1FrontEnd::Status(Activity activity) {
    waits_.ActivityIs(activity);
    // Written only when it changes, to keep repaints off the per-byte path.
    const std::string_view text = ActivityText(activity);
    if (form_.lblStatus->text() !=
        QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()))) {
        form_.lblStatus->setText(FromBytes(text));
    }
}

void Form1FrontEnd::Progress(const BlockProgress& progress, ProgressShown shown) {
    if (progress != lastProgress_) {
        lastProgress_ = progress;
        waits_.Moved(LineWaits::Clock::now());
    }
    form_.lblStatus2->setText(QString::fromStdString(ProgressText(progress)));
    if (shown == ProgressShown::AtOnce) {
        form_.lblStatus2->repaint();
    }
}

void Form1FrontEnd::ClearProgress() {
    lastProgress_.reset();
    form_.lblStatus2->setText(QString());
}

void Form1FrontEnd::BlockGoingOut(int row) {
    ContentsList* list = form_.lstContents;
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    list->scrollToRow(row);
    list->repaint();
}

bool Form1FrontEnd::RecordingFolder(const std::filesystem::path& folder) {
    recordingFolder_ = folder;
    form_.File1->SetPath(FromFsPath(folder));
    // A new folder in the directory list empties the contents list.
    return form_.Dir1->SetPath(FromFsPath(folder));
}

void Form1FrontEnd::ReceivingStarts() {
    form_.cmdStop->setEnabled(true);
    form_.lstContents->clear();
    form_.repaint();
}

void Form1FrontEnd::BlockRecorded(std::string_view row) {
    waits_.Moved(LineWaits::Clock::now());
    form_.lstContents->addItem(ListedText(row));
}

void Form1FrontEnd::TapeStopped(int row) {
    form_.TapeStoppedAt(row);
}

TapeRestart Form1FrontEnd::RestartAsked() {
    return form_.TakeGoOn() ? TapeRestart::GoOn : TapeRestart::NotYet;
}

void Form1FrontEnd::ChoiceTaken(int row) {
    form_.lblStatus->setText(QString::fromStdString(ChoiceText(row)));
}

void Form1FrontEnd::Idle(std::chrono::milliseconds most) {
    if (most == std::chrono::milliseconds::zero()) {
        QCoreApplication::processEvents();
    } else {
        form_.services_.waitForEvents(most);
    }
}

void Form1FrontEnd::Yield() {
    const auto wait = NextWait();
    if (wait == std::chrono::milliseconds::zero()) {
        QCoreApplication::processEvents();
        return;
    }
    // DTR tells the machine that we read: a recording keeps it raised while
    // it waits for the machine's bytes, not only for the read.
    SerialPort& port = *form_.services_.port;
    const bool raise = transfer_ == Transfer::Record;
    if (raise) {
        port.SetDtrEnable(true);
    }
    form_.services_.waitForEvents(wait);
    if (raise) {
        port.SetDtrEnable(false);
    }
}

std::chrono::milliseconds Form1FrontEnd::NextWait() {
    // Record clears a progress line left standing after a count of empty
    // passes, not after a time: until it has, the passes go on at once, so
    // that the line goes as soon as it always did.
    if (transfer_ == Transfer::Record && lastProgress_ && lastProgress_->total) {
        return std::chrono::milliseconds::zero();
    }
    return waits_.Next(LineWaits::Clock::now(),
                       [this] { return form_.services_.port->PendingOutput(); });
}

bool Form1FrontEnd::StopRequested() const {
    return form_.StopRequested;
}

} // namespace bitreel
