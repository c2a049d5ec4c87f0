// The TZX file's start and the blocks more than one writer makes.
#include "tape/formats/TzxWriter.h"

#include <algorithm>

namespace bitreel {

std::vector<std::uint8_t> TzxFileHeader(MachineKind machine) {
    std::vector<std::uint8_t> bytes;
    TzxOut out(bytes);
    for (const char c : std::string_view("ZXTape!\x1A")) {
        out.Byte(static_cast<std::uint8_t>(c));
    }
    out.Byte(1);
    out.Byte(20);
    if (machine == MachineKind::JupiterAce) {
        out.Byte(0x33);
        out.Byte(1);    // one entry:
        out.Byte(0x00); // a computer,
        out.Byte(0x1A); // the Jupiter Ace,
        out.Byte(0x00); // runs the tape
    }
    return bytes;
}

void AppendTzxText(std::vector<std::uint8_t>& bytes, std::string_view text) {
    TzxOut out(bytes);
    out.Byte(0x30);
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    out.Byte(static_cast<std::uint32_t>(n));
    out.Add(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), n));
}

std::size_t AppendTzxTurbo(std::vector<std::uint8_t>& bytes, const TzxTurboTimings& timings,
                           std::uint32_t pauseMs, std::span<const std::uint8_t> data) {
    TzxOut out(bytes);
    out.Byte(0x11);
    out.Word(timings.pilot);
    out.Word(timings.sync1);
    out.Word(timings.sync2);
    out.Word(timings.zero);
    out.Word(timings.one);
    out.Word(timings.pilotPulses);
    out.Byte(timings.lastBits);
    const std::size_t pauseAt = out.At();
    out.Word(pauseMs);
    out.Le(static_cast<std::uint32_t>(data.size()), 3);
    out.Add(data);
    return pauseAt;
}

} // namespace bitreel
