#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace bitreel {

// Where a window's frame goes beside the main window's frame, on the
// screen's free area, so that it covers none of the main window where the
// screen allows: right of it, else left of it, else below or above it, each
// at the frame's own size; else right or left of it narrowed to the room
// there, when that leaves at least minimum; else on the side with more room,
// pushed into the screen. Windows opened one after another (open, the number
// already open) step down a little, so that each one's title shows.
[[nodiscard]] QRect BesideGeometry(const QRect& mainFrame, const QSize& frame, const QSize& minimum,
                                   const QRect& screen, int open);

// Places window, not shown yet, beside main by BesideGeometry.
void PlaceBeside(QWidget& window, const QWidget& main, int open);

} // namespace bitreel
