// The window's wait between transfer passes that have nothing to do.
#include "app/window/EventWait.h"

#include <QCoreApplication>
#include <QTimer>

namespace bitreel {

void WaitForEvents(std::chrono::milliseconds most) {
    // The timer is the one event certain to come: CTS changes raise none.
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    bound.start(most);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace bitreel
