#pragma once

#include "serial/PortTable.h"

#include <QCommandLineOption>

#include <optional>
#include <string>
#include <string_view>

namespace bitreel::cli {

// The port a --port argument names.
struct PortTarget {
    PortTable table;   // the table the port is opened through
    int number = 1;    // its number in that table
    std::string label; // how messages name it: "COM5", or the device path
    std::string device;
};

// The --port option of the commands that open the line.
[[nodiscard]] inline QCommandLineOption PortOption() {
    return {QStringLiteral("port"), QStringLiteral("COM1-COM16, or a device path."),
            QStringLiteral("PORT")};
}

// "COM5" (any case) is looked up in the port table; anything with a path
// separator in it is a device path ("/dev/ttyUSB0", "/dev/serial/by-id/...",
// a pseudo-terminal), and so is any other name of a file there is, such as
// a device in the current folder ("pc"). No value for anything else.
[[nodiscard]] std::optional<PortTarget> ResolvePort(std::string_view argument,
                                                    const PortTable& table);

} // namespace bitreel::cli
