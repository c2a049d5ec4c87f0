#pragma once

#include "transfer/RecordFileDialog.h"

#include <QFileDialog>

#include <filesystem>

namespace bitreel {

// The record dialog's window: Qt's own file dialog in its save form, with a
// Record button. A name typed without an extension gets the format's own,
// the folder of a typed name must exist, and a name whose recording would
// replace a file is taken only when the user answers the question with Yes;
// No leaves the dialog open.
class RecordSaveDialog : public QFileDialog {
public:
    RecordSaveDialog(QWidget* parent, const RecordDialogRequest& request);

    // The filter as the dialog takes it: the pattern shown as given, matched
    // whatever the letter case of a name ("*.TAP" also finds "game.tap").
    [[nodiscard]] static QString NameFilter(const RecordDialogRequest& request);

    // The question asked before a file is replaced, for its name.
    [[nodiscard]] static QString ReplaceQuestion(const QString& fileName);

protected:
    void accept() override;

private:
    [[nodiscard]] bool MayReplace(const std::filesystem::path& output);
};

} // namespace bitreel
