#pragma once

// Where the loader's waits put the line between a 0 and a 1, and a pilot
// and a sync: from the T-states of its code (the RD*, FB*, MS* and FS*
// symbols of machine/) and the pulse code, for every rate, speed and clock
// the sound may come at (FastTimings.h).
//
// A wait counts in B, one turn every few T-states, from a start value set
// on the way to it; a bit is 1 when bit 7 of B is set. The count for a
// pulse depends on when the wait before saw its start (up to a turn late)
// and on the T-states spent between the two waits (the path).

#include "pulses/FastTimings.h"

#include <cstdint>

namespace bitreel::fastload {

struct Threshold {
    std::uint8_t start = 0; // B's start value
    // How far the longest 0 and the shortest 1 fall from the counts that
    // would read them wrongly, in T-states.
    int zeroMargin = 0;
    int oneMargin = 0;
};

// turn: T-states of a wait's turn; wait: from the look that saw a pulse
// start to the next wait's first look.
[[nodiscard]] Threshold BitThreshold(const PulseCode& code, unsigned turn, unsigned wait);

// The count a pilot pulse reaches and a sync pulse does not, for a wait
// that counts from 0.
[[nodiscard]] std::uint8_t PilotCount(const PulseCode& code, unsigned turn, unsigned wait);

// A pulse of this many samples at 44.1 kHz, as short and as long as the
// sound may make it, in T-states of the machine.
[[nodiscard]] double LongestTStates(std::uint32_t samples);
[[nodiscard]] double ShortestTStates(std::uint32_t samples);

} // namespace bitreel::fastload
