// Asks for the file a recording goes to.
#include "app/QtRecordFileDialog.h"

#include "app/RecordSaveDialog.h"
#include "transfer/RecordTarget.h"

namespace bitreel {

std::optional<std::filesystem::path> QtRecordFileDialog::Ask(const RecordDialogRequest& request) {
    RecordSaveDialog dialog(parent_, request);
    if (!previous_.empty()) {
        dialog.setDirectory(QString::fromStdU16String(previous_.parent_path().u16string()));
        dialog.selectFile(QString::fromStdU16String(previous_.filename().u16string()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::filesystem::path chosen(dialog.selectedFiles().constFirst().toStdU16String());
    previous_ = RecordOutputPath(chosen);
    return chosen;
}

} // namespace bitreel
