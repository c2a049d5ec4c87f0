#pragma once

// The fast loader's encoding: one pulse a bit, a short pulse a 0 and a
// long one a 1, every pulse a whole number of samples at 44.1 kHz (see
// pulses/WholeSamples.h), so that a sound card plays each the same length
// every time, at 44.1 and at 48 kHz alike. The one table of speeds, for the
// tape Bitreel writes and the loader's thresholds.

#include "pulses/WholeSamples.h"

#include <array>
#include <cstdint>

namespace bitreel::fastload {

// A block's pulses, in samples at 44.1 kHz: its pilot, the shorter sync
// pulse that ends it, a lead-in the loader gets ready in (none for the
// tail's block), and a bit's two lengths.
struct PulseCode {
    std::uint8_t zero;
    std::uint8_t one;
    std::uint8_t pilot;
    std::uint8_t sync;
    std::uint8_t lead;
};

// A speed: the chunks of memory in one code, the loader's own blocks (the
// main part, and its place given back at the end) in another no faster.
struct FastSpeed {
    PulseCode data;
    PulseCode loader;
};

// --speed 1 to 4: 1 the slowest, for poor players and cables; the default
// the fastest that loads every test snapshot, on the model it is for, at
// 44.1 and 48 kHz 3% fast or slow, inverted or with noise at 20 dB
// (fastload_bench).
// clang-format off
inline constexpr std::array<FastSpeed, 4> FastSpeeds{{
    //  data: 0  1  pilot sync lead   loader: 0  1  pilot sync lead
    {{4, 8, 12, 4, 8},                {4, 8, 12, 4, 8}},
    {{3, 6, 9, 3, 8},                 {3, 6, 9, 3, 8}},
    {{2, 5, 8, 2, 8},                 {2, 5, 8, 2, 8}},
    {{2, 4, 7, 2, 8},                 {2, 5, 8, 2, 8}},
}};
// clang-format on
inline constexpr unsigned SlowestSpeed = 1;
inline constexpr unsigned FastestSpeed = FastSpeeds.size();
inline constexpr unsigned DefaultSpeed = 4;

[[nodiscard]] constexpr const FastSpeed& SpeedOf(unsigned speed) noexcept {
    return FastSpeeds[speed - 1];
}

// The tail's block, read from below the program's stack, which may be
// memory the screen slows: its bit is long when its count reaches 64 (see
// machine/fastmain.asm), whatever the contention.
inline constexpr PulseCode TailCode{16, 56, 40, 10, 0};

// What every pilot has over the pulses the loader needs before a sync, for
// a loader that comes in late.
inline constexpr unsigned SparePilotPulses = 96;

// How far off the sound may be: 3% fast or slow, at 44.1 or 48 kHz, on a
// machine of either clock.
inline constexpr double SpeedTolerance = 0.03;
inline constexpr std::array<std::uint32_t, 2> FastRates = {44'100, 48'000};
inline constexpr std::array<std::uint32_t, 2> MachineClocks = {3'500'000, 3'546'900};

} // namespace bitreel::fastload
