#pragma once

#include <QListWidget>
#include <QString>

namespace bitreel {

// The file list: the files of one folder whose names match the pattern,
// letter case ignored, sorted by name. It reads its folder afresh whenever its
// folder or pattern is set, and then has no file selected. Click runs once
// for every file chosen: by the user (a click, or the arrow keys) or by the
// program through SetListIndex.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    [[nodiscard]] QString Path() const { return path_; }
    void SetPath(const QString& path);

    // One or more wildcard patterns separated by ";" ("*.TAP;*.DIC").
    [[nodiscard]] QString Pattern() const { return pattern_; }
    void SetPattern(const QString& pattern);

    // Reads the folder afresh; no file is selected afterwards.
    void Refresh();
    // Reads the folder afresh for a file written into it, and keeps the
    // selected file selected, when it is still there, without a Click.
    void RefreshKeepingChoice();

    [[nodiscard]] int ListCount() const { return count(); }
    // The selected file's index, -1 when none is.
    [[nodiscard]] int ListIndex() const { return currentRow(); }
    // Selects file index and raises Click once, as a user's click would.
    void SetListIndex(int index);
    // The selected file's name, empty when none is. A name holds each byte
    // that is not UTF-8 as FsPath.h keeps it, and the list shows it as U+FFFD.
    [[nodiscard]] QString FileName() const;
    // The index of the file of that name, -1 when it is not listed.
    [[nodiscard]] int IndexOf(const QString& name) const;

signals:
    void Click();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The current file is always the selected one: no click or key leaves a
    // file current but unselected.
    [[nodiscard]] QItemSelectionModel::SelectionFlags
    selectionCommand(const QModelIndex& index, const QEvent* event) const override;

private:
    void OnCurrentRowChanged(int row);
    void OnItemClicked(QListWidgetItem* item);

    QString path_;
    QString pattern_;
    // The row selected when the mouse went down: a click on it changes no
    // row, yet is a click all the same.
    int rowAtPress_ = -1;
};

} // namespace bitreel
