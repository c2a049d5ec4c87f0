// Watches the input lines of a port that the machine is attached to.
#include "serial/LineWatch.h"

#include <array>
#include <utility>

namespace bitreel {
namespace {

using namespace std::chrono_literals;

// Often enough to see a CTS pulse of a byte or two.
constexpr LineClock::Duration PollTime = 10ms;

void TellChanges(const InputLines& before, const InputLines& now, LineClock::Duration at,
                 const std::function<void(const LineChange&)>& changed) {
    const std::array<std::pair<std::string_view, bool InputLines::*>, 3> lines{{
        {"CTS", &InputLines::cts},
        {"DSR", &InputLines::dsr},
        {"DCD", &InputLines::dcd},
    }};
    for (const auto& [name, level] : lines) {
        if (before.*level != now.*level) {
            changed(LineChange{at, name, now.*level});
        }
    }
}

} // namespace

WatchResult WatchLines(SerialPort& port, LineClock& clock, const std::optional<InputLines>& first,
                       LineClock::Duration length,
                       const std::function<void(const LineChange&)>& changed,
                       const std::function<bool()>& stopRequested) {
    WatchResult result;
    result.first = first;
    result.last = result.first;
    const LineClock::Duration start = clock.Now();
    while (clock.Now() - start < length) {
        if (stopRequested()) {
            result.stopped = true;
            break;
        }
        clock.Wait(PollTime);
        (void)port.ReadAll();
        const std::optional<InputLines> now = port.ReadInputLines();
        if (now && result.last) {
            TellChanges(*result.last, *now, clock.Now() - start, changed);
        }
        result.last = now;
    }
    return result;
}

CheckItem CtsItem(const std::optional<InputLines>& lines) {
    CheckItem item{"cts", "CTS", Verdict::CannotTell, {}, {}};
    if (!lines) {
        item.seen = "the device has no modem lines to read (a pseudo-terminal or a virtual port); "
                    "Play takes CTS as always asserted on it";
        return item;
    }
    if (lines->cts) {
        item.verdict = Verdict::Pass;
        item.seen = "CTS is asserted: the machine's side is ready to receive, and Play can send";
        return item;
    }
    item.verdict = Verdict::Fail;
    item.seen = "CTS is low";
    item.meaning = "With the machine attached and its receiving program running, CTS must be "
                   "asserted; until it is, Play shows \"Waiting...\" and sends nothing. Start "
                   "the receiving program; check that the cable carries CTS (DB9 pin 8, DB25 "
                   "pin 5) and that the machine's side drives it; test the adapter alone with "
                   "a loopback plug and --loopback.";
    return item;
}

} // namespace bitreel
