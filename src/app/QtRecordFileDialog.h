#pragma once

#include "transfer/RecordFileDialog.h"

#include <QString>

class QWidget;

namespace bitreel {

// The record dialog on Qt's own file dialog, in its open form: new names
// are accepted, choosing an existing file asks nothing, and the name chosen
// last time is offered again.
class QtRecordFileDialog : public RecordFileDialog {
public:
    explicit QtRecordFileDialog(QWidget* parent) : parent_(parent) {}

    [[nodiscard]] std::optional<std::filesystem::path>
    Ask(const RecordDialogRequest& request) override;

    // The filter as the dialog takes it: the pattern shown as given, matched
    // whatever the letter case of a name ("*.TAP" also finds "game.tap").
    [[nodiscard]] static QString NameFilter(const RecordDialogRequest& request);

private:
    QWidget* parent_;
    QString previous_;
};

} // namespace bitreel
