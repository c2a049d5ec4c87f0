// The file dialogs' size and columns.
#include "app/dialogs/FileDialogSize.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace bitreel {
namespace {

// In average characters: a long name, a size, a type and a date with its
// time side by side, and the folder list beside them; rows for a folder's
// worth of files.
constexpr int kWidthInCharacters = 110;
constexpr int kHeightInLines = 30;

// Widens the dialog by what its columns lack, as far as the screen allows;
// it never narrows it.
void WidenForColumns(QFileDialog& dialog, const QTreeView& tree) {
    const QHeaderView& header = *tree.header();
    const QAbstractItemView& rows = tree; // where the column's hint is public
    int needed = 0;
    for (int column = 0; column < header.count(); ++column) {
        if (!header.isSectionHidden(column)) {
            needed += std::max(rows.sizeHintForColumn(column), header.sectionSizeHint(column));
        }
    }
    const int lacking = needed - tree.viewport()->width();
    const QScreen* screen = dialog.screen();
    if (lacking <= 0 || screen == nullptr) {
        return;
    }
    const int frame = dialog.frameGeometry().width() - dialog.width();
    const int most = screen->availableGeometry().width() - frame;
    if (dialog.width() < most) {
        dialog.resize(std::min(dialog.width() + lacking, most), dialog.height());
    }
}

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
    // The type column holds what the system's MIME database calls a file,
    // which any program installed may name at any length (an emulator's
    // "ZX Spectrum tape"): once a folder is read, the columns are measured.
    if (auto* files = dialog.findChild<QFileSystemModel*>()) {
        QObject::connect(files, &QFileSystemModel::directoryLoaded, &dialog, [&dialog, view] {
            QTimer::singleShot(0, &dialog, [&dialog, view] { WidenForColumns(dialog, *view); });
        });
    }
}

} // namespace bitreel
