// Opens a window beside the main window, on the screen.
#include "app/BesidePlacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace bitreel {
namespace {

constexpr int Gap = 8;   // between the two frames
constexpr int Step = 28; // about a title bar: each further window shows the one before's title

} // namespace

QPoint BesidePosition(const QRect& mainFrame, const QSize& frame, const QRect& screen, int open) {
    const int rightRoom = screen.right() + 1 - (mainFrame.right() + 1 + Gap);
    const int leftRoom = mainFrame.left() - Gap - screen.left();
    int x = 0;
    if (frame.width() <= rightRoom || rightRoom >= leftRoom) {
        x = mainFrame.right() + 1 + Gap;
    } else {
        x = mainFrame.left() - Gap - frame.width();
    }
    const int y = mainFrame.top() + Step * std::max(0, open);
    // Inside the screen, the top left corner first: the title bar stays in
    // reach even when the window is larger than the screen.
    const int maxX = screen.right() + 1 - frame.width();
    const int maxY = screen.bottom() + 1 - frame.height();
    return {std::max(screen.left(), std::min(x, maxX)), std::max(screen.top(), std::min(y, maxY))};
}

void PlaceBeside(QWidget& window, const QWidget& main, int open) {
    const QScreen* screen = main.screen();
    if (!screen) {
        return;
    }
    // The new window's frame is taken to be as wide as the main window's.
    const QRect mainFrame = main.frameGeometry();
    const QSize margins = mainFrame.size() - main.geometry().size();
    const QSize frame = window.size() + margins;
    const QPoint corner = BesidePosition(mainFrame, frame, screen->availableGeometry(), open);
    window.move(corner);
}

} // namespace bitreel
