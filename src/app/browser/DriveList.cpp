#include "app/browser/DriveList.h"

#include "app/browser/Volumes.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace bitreel {

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, &DriveList::OnActivated);
}

void DriveList::SetDrives(const QStringList& roots) {
    const QSignalBlocker quiet(this);
    clear();
    for (const QString& root : roots) {
        addItem(QDir::toNativeSeparators(root), root);
    }
    Show(-1);
}

QString DriveList::Drive() const {
    return shown_;
}

void DriveList::ShowDriveOf(const QString& path) {
    int best = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (PathIsOn(path, root) && (best < 0 || root.size() > itemData(best).toString().size())) {
            best = i;
        }
    }
    if (best < 0) {
        QString root = QStorageInfo(path).rootPath();
        if (root.isEmpty()) {
            root = QDir(path).rootPath();
        }
        const QSignalBlocker quiet(this);
        addItem(QDir::toNativeSeparators(root), root);
        best = count() - 1;
    }
    Show(best);
}

void DriveList::OnActivated(int index) {
    const QString root = itemData(index).toString();
    if (root != shown_) {
        shown_ = root;
        emit Change();
    }
}

void DriveList::Show(int index) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
    shown_ = index >= 0 ? itemData(index).toString() : QString();
}

} // namespace bitreel
