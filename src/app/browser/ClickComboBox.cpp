#include "app/browser/ClickComboBox.h"

#include <QSignalBlocker>

namespace bitreel {

ClickComboBox::ClickComboBox(QWidget* parent) : QComboBox(parent) {
    // activated is the user's choice only, and comes even for the entry shown.
    connect(this, &QComboBox::activated, this, &ClickComboBox::Click);
}

void ClickComboBox::SelectEntry(int index) {
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    if (index >= 0) {
        emit Click();
    }
}

} // namespace bitreel
