// Opens the window on a tape image named at start (`bitreel FILE`), and chooses
// a file of the file list as a click would.
#include "app/Form1.h"
#include "app/browser/ClickComboBox.h"
#include "app/browser/DirList.h"
#include "app/browser/FileList.h"
#include "tape/TapeChoice.h"
#include "transfer/FsPath.h"

#include <QFileInfo>
#include <QRadioButton>
#include <QSignalBlocker>

namespace bitreel {

bool Form1::ShowFile(const QString& path) {
    const QFileInfo info(path);
    if (!Dir1->SetPath(info.absolutePath())) {
        return false;
    }
    const TapeChoice choice = ChoiceForFile(ToFsPath(info.absoluteFilePath()));
    const int machine = choice.machine == MachineKind::Spectrum ? 0 : 1;
    if (machine == 1) {
        // The format is set quietly: the machine choice below lists in it.
        const QSignalBlocker quiet(cboFormat);
        cboFormat->setCurrentIndex(choice.layout == TapeLayout::AceTap ? 1 : 0);
    }
    if (optMachine[machine]->isChecked()) {
        optMachine_Click(machine);
    } else {
        optMachine[machine]->setChecked(true); // runs optMachine_Click
    }
    return ChooseListedFile(info.fileName());
}

bool Form1::ChooseListedFile(const QString& name) {
    const int index = File1->IndexOf(name);
    if (index < 0) {
        return false;
    }
    File1->SetListIndex(index); // runs File1_Click, which lists it
    return true;
}

} // namespace bitreel
