#pragma once

#include "app/dialogs/SaveFileDialog.h"

class QWidget;

namespace bitreel {

// The save dialog on the platform's own file dialog, which asks before it
// replaces a file.
class QtSaveFileDialog : public SaveFileDialog {
public:
    explicit QtSaveFileDialog(QWidget* parent) : parent_(parent) {}

    [[nodiscard]] std::optional<std::filesystem::path>
    Ask(const SaveDialogRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace bitreel
