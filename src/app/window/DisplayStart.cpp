// The window's start when there may be no display to show it on.
#include "app/window/DisplayStart.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace bitreel {
namespace {

// A message Qt gave while the platform started, kept until it did.
struct Held {
    QtMsgType type;
    const char* file; // the context's texts are Qt's own static strings
    int line;
    const char* function;
    const char* category;
    QString message;
};

QtMessageHandler previous = nullptr;

std::vector<Held>& HeldMessages() {
    static std::vector<Held> messages;
    return messages;
}

void HoldOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        // The platform could not start: the warnings that led here name Qt's
        // plugins, which a user cannot act on.
        std::fputs("bitreel: no display for the window; the commands work without one "
                   "(bitreel --help)\n",
                   stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    HeldMessages().push_back(
        {type, context.file, context.line, context.function, context.category, message});
}

} // namespace

DisplayStart::DisplayStart() {
    previous = qInstallMessageHandler(HoldOrEnd);
}

DisplayStart::~DisplayStart() {
    qInstallMessageHandler(previous);
    const std::vector<Held> messages = std::exchange(HeldMessages(), {});
    for (const Held& m : messages) {
        const QMessageLogContext context(m.file, m.line, m.function, m.category);
        if (previous) {
            previous(m.type, context, m.message);
        } else {
            qt_message_output(m.type, context, m.message);
        }
    }
}

} // namespace bitreel
