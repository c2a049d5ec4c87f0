#pragma once

#include <QComboBox>

namespace bitreel {

// A drop-down list whose Click runs once for every entry chosen: by the user
// (the entry already shown included) or by the program through SelectEntry.
class ClickComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ClickComboBox(QWidget* parent = nullptr);

    // Shows entry index and raises Click once, exactly as a user's choice;
    // index -1 shows nothing and raises nothing.
    void SelectEntry(int index);

signals:
    void Click();
};

} // namespace bitreel
