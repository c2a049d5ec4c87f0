#include "app/window/FocusReturn.h"

namespace bitreel {
namespace {

bool CanTakeFocus(const QWidget* control) {
    return control && control->isEnabled() && control->isVisible() &&
           control->focusPolicy() != Qt::NoFocus;
}

} // namespace

FocusReturn::~FocusReturn() {
    if (CanTakeFocus(had_)) {
        had_->setFocus(Qt::OtherFocusReason);
    } else if (CanTakeFocus(fallback_)) {
        fallback_->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace bitreel
