// What a loopback plug lets the program see of the port alone: the data
// path, the handshake lines, and whether the driver holds bytes back while
// CTS is low.
#include "serial/LoopbackTest.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace bitreel {
namespace {

using namespace std::chrono_literals;
using Duration = LineClock::Duration;

// How often the lines and the input are looked at while waiting.
constexpr Duration PollTime = 5ms;
// How long an input line may take to follow its output line: a USB adapter
// reports its lines every few milliseconds, some only every 16 or more.
constexpr Duration SettleTime = 250ms;
// With no byte back for this long and none waiting to go, no more is coming.
constexpr Duration QuietTime = 500ms;
// The bytes written while CTS is held low, and how long beyond their own
// time on the line they are given to leave.
constexpr std::size_t HeldBytes = 16;
constexpr Duration HoldMargin = 300ms;
// A rate this many times the line's says the device does not pace its bytes
// (a pseudo-terminal), whatever its settings.
constexpr double FastBeyondTheLine = 1.5;

const std::string NoModemLines =
    "the device has no modem lines to read (a pseudo-terminal or a virtual port)";

std::string Count(std::size_t n) {
    return std::to_string(n);
}

// Waits until the lines satisfy the condition, or until they had time to.
InputLines WaitForLines(SerialPort& port, LineClock& clock,
                        const std::function<bool(const InputLines&)>& done) {
    const Duration end = clock.Now() + SettleTime;
    InputLines lines = port.ReadInputLines().value_or(InputLines{});
    while (!done(lines) && clock.Now() < end) {
        clock.Wait(PollTime);
        lines = port.ReadInputLines().value_or(InputLines{});
    }
    return lines;
}

// Collects what comes back until `until`, or, with stopAt, once that many
// bytes are in; the time the last of them was seen.
Duration Collect(SerialPort& port, LineClock& clock, std::vector<std::uint8_t>& received,
                 Duration until, std::size_t stopAt, Duration start) {
    Duration lastBack = start;
    while (received.size() < stopAt) {
        clock.Wait(PollTime);
        const std::vector<std::uint8_t> got = port.ReadAll();
        const Duration now = clock.Now();
        if (!got.empty()) {
            received.insert(received.end(), got.begin(), got.end());
            lastBack = now;
            continue;
        }
        if (now >= until || (now - lastBack >= QuietTime && port.PendingOutput() == 0)) {
            break;
        }
    }
    return lastBack;
}

CheckItem DataItem(SerialPort& port, LineClock& clock, const LineSettings& settings,
                   DataFigures& figures) {
    CheckItem item{"data", "data", Verdict::Fail, {}, {}};
    port.SetHandshaking(Handshake::None);
    port.DiscardOutput();
    (void)port.ReadAll();

    std::vector<std::uint8_t> sent(LoopbackDataBytes);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<std::uint8_t>(i);
    }
    const Duration byteTime = settings.ByteTime();
    const Duration lineTime = byteTime * static_cast<long long>(sent.size());
    const Duration start = clock.Now();
    port.Write(sent);
    std::vector<std::uint8_t> received;
    const Duration lastBack =
        Collect(port, clock, received, start + 2 * lineTime + 1s, sent.size(), start);
    port.DiscardOutput();

    figures = CompareBytes(sent, received);
    // To the hundredth: the byte time is held in whole nanoseconds.
    figures.lineBytesPerSecond =
        std::round(100 / std::chrono::duration<double>(byteTime).count()) / 100;
    if (received.size() >= 2 && lastBack > start) {
        figures.bytesPerSecond = static_cast<double>(received.size()) /
                                 std::chrono::duration<double>(lastBack - start).count();
    }
    std::string rate;
    if (figures.bytesPerSecond) {
        rate = ", at " + Count(static_cast<std::size_t>(std::lround(*figures.bytesPerSecond))) +
               " bytes a second (the line carries " +
               Count(static_cast<std::size_t>(std::lround(figures.lineBytesPerSecond))) + ")";
        if (*figures.bytesPerSecond > FastBeyondTheLine * figures.lineBytesPerSecond) {
            rate += "; no serial line at this baud rate is this fast";
        }
    }
    if (received.empty()) {
        item.seen = "none of " + Count(sent.size()) + " bytes came back";
        item.meaning = "TX does not reach RX: the plug does not join them, or the adapter sends "
                       "nothing. Play and Record would move no byte. Check the plug (DB9 pins 2 "
                       "and 3, DB25 pins 2 and 3) and that this is the adapter's port.";
        return item;
    }
    if (figures.lost == 0 && figures.changed == 0 && figures.extra == 0) {
        item.verdict = Verdict::Pass;
        item.seen =
            Count(received.size()) + " of " + Count(sent.size()) + " bytes back unchanged" + rate;
        return item;
    }
    item.seen = Count(figures.lost) + " lost, " + Count(figures.changed) + " changed";
    if (figures.extra > 0) {
        item.seen += ", " + Count(figures.extra) + " more than were sent";
    }
    item.seen += " of " + Count(sent.size()) + " bytes" + rate;
    item.meaning = "The line loses or damages bytes: blocks would reach the machine corrupt, and "
                   "recordings would list corrupt blocks. Check that the plug sits firmly and "
                   "the cable's joints are sound; try another adapter.";
    return item;
}

CheckItem RtsCtsItem(SerialPort& port, LineClock& clock) {
    CheckItem item{"rts-cts", "RTS to CTS", Verdict::CannotTell, NoModemLines, {}};
    if (!port.ReadInputLines()) {
        return item;
    }
    port.SetHandshaking(Handshake::None);
    bool stuckHigh = false;
    bool stuckLow = false;
    for (const bool level : {false, true, false, true}) {
        port.SetRts(level);
        const bool cts = WaitForLines(port, clock, [&](const InputLines& lines) {
                             return lines.cts == level;
                         }).cts;
        stuckHigh = stuckHigh || (cts && !level);
        stuckLow = stuckLow || (!cts && level);
    }
    if (!stuckHigh && !stuckLow) {
        item.verdict = Verdict::Pass;
        item.seen = "CTS followed RTS down and up, twice";
        return item;
    }
    item.verdict = Verdict::Fail;
    item.seen = stuckHigh && stuckLow ? "CTS did not follow RTS"
                : stuckHigh           ? "CTS stayed asserted while RTS was low"
                                      : "CTS stayed low while RTS was raised";
    item.meaning = "The handshake does not come through: the plug does not join RTS to CTS "
                   "(DB9 pins 7 and 8, DB25 pins 4 and 5), or the adapter or its driver does "
                   "not carry CTS. Play would send without waiting for the machine, which "
                   "loses bytes whenever it is busy.";
    return item;
}

CheckItem DtrItem(SerialPort& port, LineClock& clock) {
    CheckItem item{"dtr-dsr-dcd", "DTR to DSR and DCD", Verdict::CannotTell, NoModemLines, {}};
    if (!port.ReadInputLines()) {
        return item;
    }
    bool dsrFollows = true;
    bool dcdFollows = true;
    for (const bool level : {true, false, true, false}) {
        port.SetDtrEnable(level);
        const InputLines lines = WaitForLines(port, clock, [&](const InputLines& now) {
            return now.dsr == level && now.dcd == level;
        });
        dsrFollows = dsrFollows && lines.dsr == level;
        dcdFollows = dcdFollows && lines.dcd == level;
    }
    if (dsrFollows || dcdFollows) {
        // One line following is proof that DTR leaves the adapter, all Record needs.
        item.verdict = Verdict::Pass;
        item.seen = dsrFollows && dcdFollows ? "DSR and DCD followed DTR up and down, twice"
                    : dsrFollows ? "DSR followed DTR; DCD did not (Bitreel does not use DCD)"
                                 : "DCD followed DTR; DSR did not (Bitreel does not use DSR)";
        return item;
    }
    item.verdict = Verdict::Fail;
    item.seen = "neither DSR nor DCD followed DTR";
    item.meaning = "DTR does not come through: the plug does not join DTR to DSR and DCD (DB9 "
                   "pin 4 to 6 and 1, DB25 pin 20 to 6 and 8), or the adapter does not drive "
                   "DTR. A machine that waits for DTR would never send during Record.";
    return item;
}

CheckItem HandshakeItem(SerialPort& port, LineClock& clock, const LineSettings& settings,
                        bool bytesCameBack) {
    CheckItem item{"handshake", "hardware handshake", Verdict::CannotTell, NoModemLines, {}};
    if (!port.ReadInputLines()) {
        return item;
    }
    if (!bytesCameBack) {
        item.seen = "no byte comes back at all (see data), so a byte held back cannot be told "
                    "from one lost";
        return item;
    }
    port.SetHandshaking(Handshake::None);
    port.SetRts(false);
    if (WaitForLines(port, clock, [](const InputLines& lines) { return !lines.cts; }).cts) {
        item.seen = "CTS cannot be held low: it does not follow RTS (see RTS to CTS)";
        return item;
    }
    port.SetHandshaking(Handshake::RtsCts);
    if (WaitForLines(port, clock, [](const InputLines& lines) { return lines.cts; }).cts) {
        item.seen = "with RTS/CTS on, the adapter raises RTS itself, so the plug cannot hold "
                    "CTS low; the RTS to CTS item tells whether CTS comes through";
        return item;
    }
    (void)port.ReadAll();
    const std::vector<std::uint8_t> probe(HeldBytes, 0x55);
    const Duration start = clock.Now();
    port.Write(probe);
    std::vector<std::uint8_t> left;
    (void)Collect(port, clock, left,
                  start + 2 * settings.ByteTime() * static_cast<long long>(HeldBytes) + HoldMargin,
                  HeldBytes, start);
    port.DiscardOutput();
    if (left.empty()) {
        item.verdict = Verdict::Pass;
        item.seen = "no byte left while CTS was low";
        return item;
    }
    item.verdict = Verdict::Fail;
    item.seen = Count(left.size()) + " of " + Count(HeldBytes) +
                " bytes left while CTS was low: the driver ignores the handshake";
    item.meaning = "Play would go on sending while the machine holds CTS low, and the machine "
                   "would lose bytes. Use an adapter whose driver honours RTS/CTS (see the chip "
                   "note above), or a newer driver for this one.";
    return item;
}

} // namespace

DataFigures CompareBytes(const std::vector<std::uint8_t>& sent,
                         const std::vector<std::uint8_t>& received) {
    // The longest common subsequence, a row at a time.
    std::vector<std::size_t> previous(received.size() + 1, 0);
    std::vector<std::size_t> current(received.size() + 1, 0);
    for (const std::uint8_t byte : sent) {
        for (std::size_t j = 0; j < received.size(); ++j) {
            current[j + 1] =
                byte == received[j] ? previous[j] + 1 : std::max(previous[j + 1], current[j]);
        }
        std::swap(previous, current);
    }
    const std::size_t common = previous.back();
    DataFigures figures;
    figures.sent = sent.size();
    figures.received = received.size();
    figures.lost = sent.size() > received.size() ? sent.size() - received.size() : 0;
    figures.extra = received.size() > sent.size() ? received.size() - sent.size() : 0;
    figures.changed = std::min(sent.size(), received.size()) - common;
    return figures;
}

LoopbackResult RunLoopback(SerialPort& port, LineClock& clock, const LineSettings& settings) {
    LoopbackResult result;
    result.items.push_back(DataItem(port, clock, settings, result.data));
    result.items.push_back(RtsCtsItem(port, clock));
    result.items.push_back(DtrItem(port, clock));
    result.items.push_back(HandshakeItem(port, clock, settings, result.data.received > 0));
    // As the line is opened for Play: RTS raised, then RTS/CTS, DTR low.
    port.DiscardOutput();
    port.SetHandshaking(Handshake::None);
    port.SetRts(true);
    port.SetHandshaking(Handshake::RtsCts);
    port.SetDtrEnable(false);
    (void)port.ReadAll();
    return result;
}

} // namespace bitreel
