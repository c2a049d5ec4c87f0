// Asks where an inspector saves a picture or a block.
#include "app/QtSaveFileDialog.h"

#include <QFileDialog>

namespace bitreel {

std::optional<std::filesystem::path> QtSaveFileDialog::Ask(const SaveDialogRequest& request) {
    const QString chosen = QFileDialog::getSaveFileName(
        parent_, QString::fromStdString(request.title),
        QString::fromStdU16String(request.suggested.u16string()),
        QString::fromStdString(request.filterName + " (" + request.pattern + ")"));
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen.toStdU16String());
}

} // namespace bitreel
