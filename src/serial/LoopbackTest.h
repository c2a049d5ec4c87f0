#pragma once

#include "serial/CheckItem.h"
#include "serial/LineClock.h"
#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace bitreel {

// The figures of the data item: what went out and what came back.
struct DataFigures {
    std::size_t sent = 0;
    std::size_t received = 0;
    std::size_t lost = 0;    // sent and never back
    std::size_t changed = 0; // back, but not as sent
    std::size_t extra = 0;   // back, but more than was sent
    // From the first byte written to the last one back; none when fewer
    // than two came back.
    std::optional<double> bytesPerSecond;
    double lineBytesPerSecond = 0; // what the line settings carry
};

struct LoopbackResult {
    DataFigures data;
    // Data, RTS to CTS, DTR to DSR and DCD, hardware handshake.
    std::vector<CheckItem> items;
};

// The bytes the data item sends: every value, over and over.
inline constexpr std::size_t LoopbackDataBytes = 1024;

// Tests an open port with a loopback plug on it (TX to RX, RTS to CTS, DTR to
// DSR and DCD), item by item; one item's failure does not keep the others
// from running. Leaves the port as the line is opened for Play: RTS/CTS
// handshaking on, DTR low.
[[nodiscard]] LoopbackResult RunLoopback(SerialPort& port, LineClock& clock,
                                         const LineSettings& settings);

// Counts what a line did to the bytes sent, by the longest run of bytes the
// two have in common in order: a byte missing is lost, one in its place
// changed.
[[nodiscard]] DataFigures CompareBytes(const std::vector<std::uint8_t>& sent,
                                       const std::vector<std::uint8_t>& received);

} // namespace bitreel
