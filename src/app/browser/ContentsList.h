#pragma once

#include "tape/TapeImage.h"

#include <QListView>

#include <string>
#include <vector>

namespace bitreel {

class ContentsModel;

// The contents list: one row per block, in a fixed-pitch font. Once it has
// rows one of them is always selected, the block Play starts from; no click
// or key leaves the current row unselected.
//
// A listed image's rows are made only when they are shown, so that a file of
// millions of blocks lists as quickly as a small one. The calls the window
// makes are named and behave as QListWidget's.
class ContentsList : public QListView {
public:
    explicit ContentsList(QWidget* parent = nullptr);

    [[nodiscard]] int count() const;
    [[nodiscard]] QString itemText(int row) const;
    void clear();
    void addItem(const QString& text);

    [[nodiscard]] int currentRow() const;
    void setCurrentRow(int row);
    void setCurrentRow(int row, QItemSelectionModel::SelectionFlags command);
    [[nodiscard]] bool isRowSelected(int row) const;
    void scrollToRow(int row);
    // Where a row is drawn in the viewport (rows are placed on the next pass
    // of the event loop; doItemsLayout() places them at once).
    [[nodiscard]] QRect visualRowRect(int row) const;

    // Shows the rows of a listed tape image in place of all rows.
    void SetContents(TapeImage image);

    // Changes whenever the rows are replaced, cleared or added to, so that a
    // listing that yields to the event loop can tell it has been overtaken.
    [[nodiscard]] unsigned Revision() const { return revision_; }

protected:
    [[nodiscard]] QItemSelectionModel::SelectionFlags
    selectionCommand(const QModelIndex& index, const QEvent* event) const override;

private:
    ContentsModel* model_;
    unsigned revision_ = 0;
};

} // namespace bitreel
