#include "app/ContentsList.h"

#include <QFontDatabase>

namespace bitreel {
namespace {

// Fixed pitch, so that the labels of the block descriptions line up.
QFont ContentsFont() {
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Courier New"))
                     ? QFont(QStringLiteral("Courier New"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

} // namespace

ContentsList::ContentsList(QWidget* parent) : QListWidget(parent) {
    setFont(ContentsFont());
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QItemSelectionModel::SelectionFlags ContentsList::selectionCommand(const QModelIndex& index,
                                                                   const QEvent*) const {
    return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
}

} // namespace bitreel
