#pragma once

#include <functional>

class QAbstractItemView;

namespace bitreel {

// Calls open with a list's row on a double click, or on Enter or Return
// while the list has the focus. A single click never does, whatever the
// platform's style says about activating items with one, and the list's
// selection is left to the list.
void OpenRowsOf(QAbstractItemView* list, std::function<void(int row)> open);

} // namespace bitreel
