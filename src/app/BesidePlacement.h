#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace bitreel {

// Where a window whose frame has the given size opens beside the main
// window's frame, on the screen's free area: right of it when it fits there,
// else left of it, else on the side with more room, pushed into the screen,
// so that it covers as little of the main window as the screen allows.
// Windows opened one after another (open, the number already open) step down
// a little, so that each one's title shows.
[[nodiscard]] QPoint BesidePosition(const QRect& mainFrame, const QSize& frame, const QRect& screen,
                                    int open);

// Moves window, not shown yet, beside main by BesidePosition.
void PlaceBeside(QWidget& window, const QWidget& main, int open);

} // namespace bitreel
