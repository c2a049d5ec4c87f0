// Asks where an inspector saves a picture or a block.
#include "app/dialogs/QtSaveFileDialog.h"
#include "transfer/FsPath.h"

#include "app/dialogs/FileDialogSize.h"

#include <QFileDialog>

namespace bitreel {

std::optional<std::filesystem::path> QtSaveFileDialog::Ask(const SaveDialogRequest& request) {
    QFileDialog dialog(parent_, QString::fromStdString(request.title),
                       FromFsPath(request.suggested),
                       QString::fromStdString(request.filterName + " (" + request.pattern + ")"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    ShowColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return ToFsPath(dialog.selectedFiles().constFirst());
}

} // namespace bitreel
