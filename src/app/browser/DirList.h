#pragma once

#include <QString>
#include <QTreeWidget>

namespace bitreel {

// The directory list: the open folder's ancestors from the root down, the
// open folder itself (highlighted), then its subfolders, each level one step
// further in. A double click or Enter opens the folder under the cursor.
// Change runs whenever the open folder changes.
class DirList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget* parent = nullptr);

    // The open folder, absolute and clean, with "/" separators.
    [[nodiscard]] QString Path() const { return path_; }

    // Opens path and lists it afresh. False, with nothing changed, when path is
    // no folder that can be read. Raises Change when the folder differs from
    // the one open before.
    [[nodiscard]] bool SetPath(const QString& path);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The levels show by their indentation alone: nothing here folds.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void Open(QTreeWidgetItem* item);
    void Rebuild();

    QString path_;
};

} // namespace bitreel
