#pragma once

#include <QListWidget>

namespace bitreel {

// The contents list: one row per block, in a fixed-pitch font. Once it has
// rows one of them is always selected, the block Play starts from; no click
// or key leaves the current row unselected.
class ContentsList : public QListWidget {
public:
    explicit ContentsList(QWidget* parent = nullptr);

protected:
    [[nodiscard]] QItemSelectionModel::SelectionFlags
    selectionCommand(const QModelIndex& index, const QEvent* event) const override;
};

} // namespace bitreel
