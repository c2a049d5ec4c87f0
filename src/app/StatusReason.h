#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;

namespace bitreel {

// Why the last command failed, in lblStatus until the next one. A reason is
// longer than the status texts the line was made for, so while it stands the
// line takes the empty progress line's room as well, wraps, and makes its
// text smaller until it fits; the whole text is also its tooltip.
class StatusReason {
public:
    StatusReason(QLabel& status, QLabel& progress);

    void Show(const QString& reason);
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
