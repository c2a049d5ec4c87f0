// Asks for the file a recording goes to.
#include "app/dialogs/QtRecordFileDialog.h"
#include "transfer/FsPath.h"

#include "app/dialogs/RecordSaveDialog.h"
#include "transfer/RecordTarget.h"

namespace bitreel {

std::optional<std::filesystem::path> QtRecordFileDialog::Ask(const RecordDialogRequest& request) {
    RecordSaveDialog dialog(parent_, request);
    if (!previous_.empty()) {
        dialog.setDirectory(FromFsPath(previous_.parent_path()));
        dialog.selectFile(FromFsPath(previous_.filename()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::filesystem::path chosen = ToFsPath(dialog.selectedFiles().constFirst());
    previous_ = RecordOutputPath(chosen);
    return chosen;
}

} // namespace bitreel
