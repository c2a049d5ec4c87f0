#pragma once

// One entry of a PZX PULS block, as both listing and playing read it.

#include "tape/formats/ByteCursor.h"

#include <cstdint>
#include <optional>

namespace bitreel {

struct PzxPulse {
    std::uint32_t count = 1;
    std::uint32_t duration = 0; // T-states
};

// A word of duration, or a word of 0x8000 + count before it; a duration of
// 0x8000 or more takes a second word, 31 bits in all. No value where the
// block ends inside the entry.
[[nodiscard]] inline std::optional<PzxPulse> ReadPzxPulse(ByteCursor& in) {
    const auto first = in.U16();
    if (!first) {
        return std::nullopt;
    }
    PzxPulse pulse{1, *first};
    if (pulse.duration > 0x8000) {
        pulse.count = pulse.duration & 0x7FFF;
        const auto next = in.U16();
        if (!next) {
            return std::nullopt;
        }
        pulse.duration = *next;
    }
    if (pulse.duration >= 0x8000) {
        const auto low = in.U16();
        if (!low) {
            return std::nullopt;
        }
        pulse.duration = ((pulse.duration & 0x7FFF) << 16) | *low;
    }
    return pulse;
}

} // namespace bitreel
