// The file dialogs' size and columns.
#include "app/FileDialogSize.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace bitreel {
namespace {

// In average characters: a long name, a size, a type and a date with its
// time side by side, and the folder list beside them; rows for a folder's
// worth of files.
constexpr int kWidthInCharacters = 110;
constexpr int kHeightInLines = 30;

} // namespace

void ShowColumnsWhole(QFileDialog& dialog) {
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr) {
        return;
    }
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column) {
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const QFontMetrics metrics = dialog.fontMetrics();
    dialog.resize(std::max(dialog.width(), metrics.averageCharWidth() * kWidthInCharacters),
                  std::max(dialog.height(), metrics.lineSpacing() * kHeightInLines));
}

} // namespace bitreel
