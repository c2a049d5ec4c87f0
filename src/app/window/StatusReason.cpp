#include "app/window/StatusReason.h"

#include <QFontMetrics>
#include <QLabel>

namespace bitreel {
namespace {

// Small, but still readable on any screen.
constexpr double SmallestPointSize = 6.0;

bool Fits(const QFont& font, const QRect& room, const QString& text) {
    const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, room.width(), 0x7FFF),
                                                         Qt::TextWordWrap | Qt::AlignLeft, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
}

// The text with name shortened in its middle until the whole fits; the
// shortest such text when nothing does.
QString WithNameShortened(const QFont& font, const QRect& room, const QString& text,
                          const QString& name) {
    const qsizetype at = text.lastIndexOf(name);
    const QFontMetrics metrics(font);
    QString shortened = text;
    for (int width = metrics.horizontalAdvance(name); width > 0;
         width -= metrics.averageCharWidth()) {
        shortened = QString(text).replace(at, name.size(),
                                          metrics.elidedText(name, Qt::ElideMiddle, width));
        if (Fits(font, room, shortened)) {
            break;
        }
    }
    return shortened;
}

} // namespace

StatusReason::StatusReason(QLabel& status, QLabel& progress)
    : status_(status), progress_(progress) {}

void StatusReason::Show(const QString& text, const QString& name) {
    if (!shown_) {
        home_ = status_.geometry();
        font_ = status_.font();
    }
    shown_ = true;
    const QRect room = home_.united(progress_.geometry());
    QFont font = font_;
    while (!Fits(font, room, text) && font.pointSizeF() > SmallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    const QString shown = Fits(font, room, text) || name.isEmpty() || !text.contains(name)
                              ? text
                              : WithNameShortened(font, room, text, name);
    progress_.hide();
    status_.setGeometry(room);
    status_.setFont(font);
    status_.setWordWrap(true);
    status_.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_.setToolTip(text);
    status_.setText(shown);
}

void StatusReason::Clear() {
    status_.clear();
    if (!shown_) {
        return;
    }
    shown_ = false;
    status_.setToolTip(QString());
    status_.setWordWrap(false);
    status_.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_.setFont(font_);
    status_.setGeometry(home_);
    progress_.show();
}

} // namespace bitreel
