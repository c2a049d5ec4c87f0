#pragma once

#include <QPointer>
#include <QWidget>

namespace bitreel {

// Gives keyboard focus back, when a command ends, to the control that had it
// when the command began. A transfer disables the focused control, which
// passes focus on down the tab order to Exit; left there, the next Space or
// Return would end the program. A control that cannot take focus back hands
// it to the fallback.
class FocusReturn {
public:
    FocusReturn(QWidget& window, QWidget& fallback)
        : had_(window.focusWidget()), fallback_(&fallback) {}
    ~FocusReturn();

    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> had_;
    QPointer<QWidget> fallback_;
};

} // namespace bitreel
