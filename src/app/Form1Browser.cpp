// The main window's machine choice, file browser and contents list.
#include "app/Form1.h"

#include "app/browser/ClickComboBox.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/DriveList.h"
#include "app/browser/FileList.h"
#include "app/browser/FilePattern.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <system_error>

namespace bitreel {
namespace {

// Blocks listed between two yields to the event loop: a real tape lists in
// one go, a file of millions of blocks keeps the window painting and Exit
// working.
constexpr std::size_t BlocksPerYield = 65'536;

QString CannotRead(const QString& path, const std::system_error& error) {
    return QStringLiteral("Cannot read %1: %2")
        .arg(QDir(path).dirName(), QString::fromLocal8Bit(ReadFailureText(error)));
}

} // namespace

MachineKind Form1::Machine() const {
    return optMachine[0]->isChecked() ? MachineKind::Spectrum : MachineKind::JupiterAce;
}

TapeLayout Form1::LayoutInForce() const {
    return Machine() == MachineKind::Spectrum ? TapeLayout::SpectrumTap : AceLayout();
}

TapeLayout Form1::AceLayout() const {
    return bitreel::LayoutInForce(MachineKind::JupiterAce, cboFormat->currentText().toStdString());
}

void Form1::File1_Click() {
    ClearFailureReason();
    cmdPlay->setEnabled(false);
    cmdReset->setEnabled(false);
    if (File1->ListIndex() == -1) {
        return;
    }
    const Listing listed = LoadContents(QDir(File1->Path()).filePath(File1->FileName()));
    if (listed == Listing::Failed) {
        return; // nothing listed; both buttons stay off
    }
    if (listed == Listing::Playable) {
        cmdPlay->setEnabled(true);
    }
    cmdReset->setEnabled(true);
}

Form1::Listing Form1::LoadContents(const QString& path) {
    lstContents->clear();
    const unsigned listing = lstContents->Revision();
    const std::filesystem::path file = ToFsPath(path);
    bool playable = false;
    try {
        TapeImage image(file, Machine(), LayoutInForce());
        while (!image.Advance(BlocksPerYield, TapeImage::Widths::Measure)) {
            QCoreApplication::processEvents();
            if (lstContents->Revision() != listing) {
                return Listing::Failed; // another file, folder or a recording has the list now
            }
        }
        playable = image.Playable();
        lstContents->SetContents(std::move(image));
    } catch (const std::system_error& error) {
        ShowFailureReason(CannotRead(path, error)); // gone, unreadable or no file at all
        return Listing::Failed;
    }
    if (lstContents->count() > 0) {
        lstContents->setCurrentRow(0);
    }
    return playable ? Listing::Playable : Listing::NothingToSend;
}

void Form1::optMachine_Click(int Index) {
    // Setting the pattern reads the folder afresh, so files added since the
    // last listing show up even when the pattern stays the same.
    if (Index != 0) {
        cboFormat->setEnabled(true);
        File1->SetPattern(QString::fromStdString(FilePatternFor(AceLayout())));
    } else {
        File1->SetPattern(QString::fromStdString(FilePatternFor(TapeLayout::SpectrumTap)));
        cboFormat->setEnabled(false);
    }
    if (File1->ListCount() > 0) {
        File1->SetListIndex(0);
        cmdPlay->setEnabled(true);
    } else {
        cmdPlay->setEnabled(false);
    }
    File1_Click();
}

void Form1::cboFormat_Click() {
    optMachine_Click(1);
}

void Form1::Drive1_Change() {
    if (!Dir1->SetPath(Drive1->Drive())) {
        Drive1->ShowDriveOf(Dir1->Path()); // a drive that cannot be read: back, silently
    }
}

void Form1::Dir1_Change() {
    lstContents->clear();
    cmdReset->setEnabled(false);
    cmdPlay->setEnabled(false);
    File1->SetPath(Dir1->Path());
    // A folder opened on another volume moves the drive list with it.
    Drive1->ShowDriveOf(Dir1->Path());
}

} // namespace bitreel
