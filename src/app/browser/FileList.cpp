#include "app/browser/FileList.h"

#include "transfer/FsPath.h"

#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <filesystem>
#include <vector>

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
    std::vector<QRegularExpression> patterns;
    for (const QString& pattern : pattern_.split(u';', Qt::SkipEmptyParts)) {
        patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(pattern),
                              QRegularExpression::CaseInsensitiveOption);
    }
    // Read as the file system names the files, not through QDir, whose names
    // lose each byte that is not UTF-8: every file listed opens.
    QStringList names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(ToFsPath(path_), error), end;
         !error && entry != end; entry.increment(error)) {
        const QString name = FromFsPath(entry->path().filename());
        std::error_code notFile;
        // Hidden files (a recording's own name while it is made) stay unlisted.
        if (name.startsWith(u'.') || !entry->is_regular_file(notFile)) {
            continue;
        }
        const QString shown = ShownName(name);
        if (std::any_of(patterns.begin(), patterns.end(), [&shown](const QRegularExpression& p) {
                return p.match(shown).hasMatch();
            })) {
            names.append(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = ShownName(a).compare(ShownName(b), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const QString& name : names) {
        // The list shows the name as text; the item keeps the name that opens.
        auto* item = new QListWidgetItem(ShownName(name), this);
        item->setData(Qt::UserRole, name);
    }
    setCurrentRow(-1);
}

void FileList::RefreshKeepingChoice() {
    const QString chosen = FileName();
    Refresh();
    if (chosen.isEmpty()) {
        return;
    }
    if (const int index = IndexOf(chosen); index >= 0) {
        const QSignalBlocker quiet(this);
        setCurrentRow(index);
    }
}

int FileList::IndexOf(const QString& name) const {
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(Qt::UserRole).toString() == name) {
            return i;
        }
    }
    return -1;
}

void FileList::SetListIndex(int index) {
    if (index >= 0 && index == currentRow()) {
        emit Click(); // the file already selected, chosen again
        return;
    }
    setCurrentRow(index); // a new row raises Click through currentRowChanged
}

QString FileList::FileName() const {
    return ListIndex() >= 0 ? currentItem()->data(Qt::UserRole).toString() : QString();
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
