// Asks where an inspector saves a picture or a block.
#include "app/QtSaveFileDialog.h"

#include "app/FileDialogSize.h"

#include <QFileDialog>

namespace bitreel {

std::optional<std::filesystem::path> QtSaveFileDialog::Ask(const SaveDialogRequest& request) {
    QFileDialog dialog(parent_, QString::fromStdString(request.title),
                       QString::fromStdU16String(request.suggested.u16string()),
                       QString::fromStdString(request.filterName + " (" + request.pattern + ")"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    ShowColumnsWhole(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().constFirst().toStdU16String());
}

} // namespace bitreel
