#include "app/browser/RowActivation.h"

#include <QAbstractItemView>
#include <QShortcut>

namespace bitreel {

void OpenRowsOf(QAbstractItemView* list, std::function<void(int row)> open) {
    QObject::connect(list, &QAbstractItemView::doubleClicked, list,
                     [open](const QModelIndex& index) {
                         if (index.isValid()) {
                             open(index.row());
                         }
                     });
    // Shortcuts, not the view's activated signal: that one also follows a
    // single click on styles that activate on one.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), list);
        shortcut->setContext(Qt::WidgetShortcut);
        QObject::connect(shortcut, &QShortcut::activated, list, [list, open] {
            const QModelIndex current = list->currentIndex();
            if (current.isValid()) {
                open(current.row());
            }
        });
    }
}

} // namespace bitreel
