#include "app/FileList.h"

#include <QDir>
#include <QSignalBlocker>

namespace bitreel {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, &FileList::OnCurrentRowChanged);
    connect(this, &QListWidget::itemClicked, this, &FileList::OnItemClicked);
}

void FileList::SetPath(const QString& path) {
    path_ = path;
    Refresh();
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern;
    Refresh();
}

void FileList::Refresh() {
    const QSignalBlocker quiet(this);
    clear();
    if (path_.isEmpty()) {
        return;
    }
    // Without QDir::CaseSensitive the name filters ignore letter case.
    const QStringList names = QDir(path_).entryList(pattern_.split(u';', Qt::SkipEmptyParts),
                                                    QDir::Files, QDir::Name | QDir::IgnoreCase);
    addItems(names);
    setCurrentRow(-1);
}

void FileList::RefreshKeepingChoice() {
    const QString chosen = FileName();
    Refresh();
    if (chosen.isEmpty()) {
        return;
    }
    const QList<QListWidgetItem*> same =
        findItems(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!same.isEmpty()) {
        const QSignalBlocker quiet(this);
        setCurrentItem(same.constFirst());
    }
}

void FileList::SetListIndex(int index) {
    if (index >= 0 && index == currentRow()) {
        emit Click(); // the file already selected, chosen again
        return;
    }
    setCurrentRow(index); // a new row raises Click through currentRowChanged
}

QString FileList::FileName() const {
    return ListIndex() >= 0 ? currentItem()->text() : QString();
}

QItemSelectionModel::SelectionFlags FileList::selectionCommand(const QModelIndex& index,
                                                               const QEvent*) const {
    return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
}

void FileList::focusInEvent(QFocusEvent* event) {
    // Qt makes the first row current when a list without one gets the focus;
    // for the file list that would be a click nobody made.
    if (currentRow() < 0) {
        const QSignalBlocker quiet(this);
        QListWidget::focusInEvent(event);
        setCurrentRow(-1);
        return;
    }
    QListWidget::focusInEvent(event);
}

void FileList::mousePressEvent(QMouseEvent* event) {
    rowAtPress_ = ListIndex();
    QListWidget::mousePressEvent(event);
}

void FileList::OnCurrentRowChanged(int row) {
    if (row >= 0) {
        emit Click();
    }
}

void FileList::OnItemClicked(QListWidgetItem* item) {
    if (row(item) == rowAtPress_) {
        emit Click();
    }
}

} // namespace bitreel
