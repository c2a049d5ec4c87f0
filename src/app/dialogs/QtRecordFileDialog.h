#pragma once

#include "transfer/RecordFileDialog.h"

#include <filesystem>

class QWidget;

namespace bitreel {

// The record dialog on Qt's own file dialog in its save form: new names are
// accepted, replacing a file is asked first, and the file recorded into last
// time is offered again.
class QtRecordFileDialog : public RecordFileDialog {
public:
    explicit QtRecordFileDialog(QWidget* parent) : parent_(parent) {}

    [[nodiscard]] std::optional<std::filesystem::path>
    Ask(const RecordDialogRequest& request) override;

private:
    QWidget* parent_;
    // The file the last chosen name records into: a new name in capitals.
    std::filesystem::path previous_;
};

} // namespace bitreel
