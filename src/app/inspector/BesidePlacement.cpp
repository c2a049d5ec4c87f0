// Opens a window beside the main window, on the screen.
#include "app/inspector/BesidePlacement.h"

#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>

namespace bitreel {
namespace {

constexpr int Gap = 8;   // between the two frames
constexpr int Step = 28; // about a title bar: each further window shows the one before's title

// The rect moved into the screen, its top left corner first: the title bar
// stays in reach even when the rect is larger than the screen.
QRect IntoScreen(QRect rect, const QRect& screen) {
    rect.moveLeft(
        std::max(screen.left(), std::min(rect.left(), screen.right() + 1 - rect.width())));
    rect.moveTop(std::max(screen.top(), std::min(rect.top(), screen.bottom() + 1 - rect.height())));
    return rect;
}

} // namespace

QRect BesideGeometry(const QRect& mainFrame, const QSize& frame, const QSize& minimum,
                     const QRect& screen, int open) {
    const int step = Step * std::max(0, open);
    const int rightX = mainFrame.right() + 1 + Gap;
    const int rightRoom = screen.right() + 1 - rightX;
    const int leftRoom = mainFrame.left() - Gap - screen.left();
    const int belowY = mainFrame.bottom() + 1 + Gap;
    const int belowRoom = screen.bottom() + 1 - belowY;
    const int aboveRoom = mainFrame.top() - Gap - screen.top();

    const int w = frame.width();
    const int h = frame.height();
    const std::array<std::pair<bool, QRect>, 4> whole = {{
        {w <= rightRoom, {rightX, mainFrame.top() + step, w, h}},
        {w <= leftRoom, {mainFrame.left() - Gap - w, mainFrame.top() + step, w, h}},
        {h <= belowRoom, {mainFrame.left() + step, belowY, w, h}},
        {h <= aboveRoom, {mainFrame.left() + step, mainFrame.top() - Gap - h, w, h}},
    }};
    for (const auto& [fits, place] : whole) {
        if (fits) {
            return IntoScreen(place, screen);
        }
    }
    const bool right = rightRoom >= leftRoom;
    const int room = right ? rightRoom : leftRoom;
    if (room >= minimum.width()) {
        const int x = right ? rightX : mainFrame.left() - Gap - room;
        return IntoScreen({x, mainFrame.top() + step, room, h}, screen);
    }
    return IntoScreen({right ? rightX : mainFrame.left() - Gap - w, mainFrame.top() + step, w, h},
                      screen);
}

void PlaceBeside(QWidget& window, const QWidget& main, int open) {
    const QScreen* screen = main.screen();
    if (!screen) {
        return;
    }
    // The platform window is made now, so that its frame may be known before
    // it shows; where it is not, it is taken to be as the main window's.
    static_cast<void>(window.winId());
    QMargins frame = window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
    if (frame.isNull() && main.windowHandle()) {
        frame = main.windowHandle()->frameMargins();
    }
    const QSize margins(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QRect place =
        BesideGeometry(main.frameGeometry(), window.size() + margins,
                       window.minimumSizeHint() + margins, screen->availableGeometry(), open);
    window.resize(place.size() - margins);
    window.move(place.topLeft()); // a window's position is its frame's
}

} // namespace bitreel
