#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;

namespace bitreel {

// What the last command came to, in lblStatus until the next one: why it
// failed, or where it saved. Such a line is longer than the status texts the
// line was made for, so while it stands the line takes the empty progress
// line's room as well, wraps, and makes its text smaller until it fits; a
// file name too long even then is shortened in its middle. The whole text is
// also its tooltip.
class StatusReason {
public:
    StatusReason(QLabel& status, QLabel& progress);

    // name: the part of text that may be shortened, if any.
    void Show(const QString& text, const QString& name = {});
    // Puts both lines back where they belong; the status line is emptied.
    void Clear();

private:
    QLabel& status_;
    QLabel& progress_;
    QRect home_;
    QFont font_;
    bool shown_ = false;
};

} // namespace bitreel
