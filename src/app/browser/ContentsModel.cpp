#include "app/browser/ContentsModel.h"

#include "app/browser/ListedText.h"

#include <utility>

namespace bitreel {
ContentsModel::ContentsModel(QObject* parent) : QAbstractListModel(parent) {}

int ContentsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return ListedCount() + static_cast<int>(added_.size());
}

int ContentsModel::ListedCount() const {
    return static_cast<int>(listed_.RowCount());
}

QVariant ContentsModel::data(const QModelIndex& index, int role) const {
    // Only the text is made on demand; every other role keeps the view's own.
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return RowText(index.row());
}

QString ContentsModel::RowText(int row) const {
    const int listed = ListedCount();
    if (row < listed) {
        return ListedText(listed_.Row(static_cast<std::size_t>(row)));
    }
    return added_.at(row - listed);
}

int ContentsModel::WidestRow() const {
    const int listed = ListedCount();
    if (listed == 0) {
        return widestAdded_;
    }
    const int widestListed = static_cast<int>(listed_.WidestRow());
    if (widestAdded_ >= 0 && added_.at(widestAdded_).size() > RowText(widestListed).size()) {
        return listed + widestAdded_;
    }
    return widestListed;
}

void ContentsModel::SetContents(TapeImage image) {
    beginResetModel();
    listed_ = std::move(image);
    added_.clear();
    widestAdded_ = -1;
    endResetModel();
}

void ContentsModel::Append(const QString& text) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    added_.append(text);
    if (widestAdded_ < 0 || text.size() > added_.at(widestAdded_).size()) {
        widestAdded_ = static_cast<int>(added_.size()) - 1;
    }
    endInsertRows();
}

void ContentsModel::Clear() {
    SetContents(TapeImage());
}

} // namespace bitreel
