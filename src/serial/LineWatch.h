#pragma once

#include "serial/CheckItem.h"
#include "serial/LineClock.h"
#include "serial/SerialPort.h"

#include <functional>
#include <optional>
#include <string_view>

namespace bitreel {

// An input line that changed while the lines were watched.
struct LineChange {
    LineClock::Duration at; // since the watch began
    std::string_view line;  // "CTS", "DSR", "DCD"
    bool asserted = false;
};

struct WatchResult {
    // The levels when the watch began and when it ended; none on a device
    // without modem lines.
    std::optional<InputLines> first;
    std::optional<InputLines> last;
    bool stopped = false; // ended early on request
};

// Watches the input lines of an open port for `length`, from the levels
// read just before, telling each change as it is seen. Bytes that arrive
// meanwhile are read and dropped, so that they do not pile up.
[[nodiscard]] WatchResult WatchLines(SerialPort& port, LineClock& clock,
                                     const std::optional<InputLines>& first,
                                     LineClock::Duration length,
                                     const std::function<void(const LineChange&)>& changed,
                                     const std::function<bool()>& stopRequested);

// The verdict on CTS as it stands with the machine attached.
[[nodiscard]] CheckItem CtsItem(const std::optional<InputLines>& lines);

} // namespace bitreel
