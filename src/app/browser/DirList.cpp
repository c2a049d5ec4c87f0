#include "app/browser/DirList.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace bitreel {
namespace {

constexpr int kFolderRole = Qt::UserRole;

QTreeWidgetItem* FolderItem(const QString& path, const QString& text, const QIcon& icon) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setIcon(0, icon);
    item->setData(0, kFolderRole, path);
    return item;
}

} // namespace

DirList::DirList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Open(item); });
}

bool DirList::SetPath(const QString& path) {
    const QFileInfo folder(path);
    if (!folder.isDir() || !folder.isReadable() || !QDir(path).isReadable()) {
        return false;
    }
    const QString previous = path_;
    path_ = QDir::cleanPath(folder.absoluteFilePath());
    Rebuild();
    if (path_ != previous) {
        emit Change();
    }
    return true;
}

void DirList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        Open(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirList::Open(QTreeWidgetItem* item) {
    // A folder that went away or cannot be read is not opened; the list is
    // read afresh so that it no longer offers it.
    if (!SetPath(item->data(0, kFolderRole).toString())) {
        Rebuild();
    }
}

void DirList::Rebuild() {
    QStringList chain; // the root first, the open folder last
    QDir up(path_);
    chain.prepend(up.absolutePath());
    while (!up.isRoot() && up.cdUp()) {
        chain.prepend(up.absolutePath());
    }

    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (const QString& folder : chain) {
        const QString name =
            parent ? QFileInfo(folder).fileName() : QDir::toNativeSeparators(folder);
        QTreeWidgetItem* item = FolderItem(folder, name, openIcon);
        if (parent) {
            parent->addChild(item);
        } else {
            addTopLevelItem(item);
        }
        parent = item;
    }
    const QDir open(path_);
    for (const QString& sub :
         open.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        parent->addChild(FolderItem(open.filePath(sub), sub, closedIcon));
    }
    expandAll();
    setCurrentItem(parent);
    scrollToItem(parent);
}

} // namespace bitreel
