#pragma once

// Pulses timed in whole samples of a sound card's rate: a loader that reads
// one pulse a bit needs each pulse to come out of the sound card as the same
// number of samples every time, which edges placed on the sample nearest
// their exact time do not give when a pulse is not a whole number of samples
// at the rate played.

#include "pulses/PulseTimings.h"

#include <cstdint>
#include <optional>

namespace bitreel {

// The rate such pulses are counted in: samples of 44.1 kHz, the TZX clock's
// T-states rounded to the nearest.
inline constexpr std::uint32_t WholeSampleRate = 44'100;

[[nodiscard]] constexpr std::uint32_t TStatesOfSamples(std::uint32_t samples) noexcept {
    constexpr std::uint64_t clock = ClockHz(PulseClock::Spectrum);
    return static_cast<std::uint32_t>((samples * clock + WholeSampleRate / 2) / WholeSampleRate);
}

// The samples a pulse of the TZX clock stands for when it is a whole number
// of them; none for any other length.
[[nodiscard]] constexpr std::optional<std::uint32_t>
WholeSamplesOf(std::uint32_t tstates) noexcept {
    constexpr std::uint64_t clock = ClockHz(PulseClock::Spectrum);
    const auto samples =
        static_cast<std::uint32_t>((tstates * std::uint64_t{WholeSampleRate} + clock / 2) / clock);
    if (samples == 0 || TStatesOfSamples(samples) != tstates) {
        return std::nullopt;
    }
    return samples;
}

// How many samples of rate such a pulse plays as: its length at that rate,
// rounded to the nearest, and never none.
[[nodiscard]] constexpr std::uint64_t WholeSamplesAt(std::uint32_t tstates, PulseClock clock,
                                                     std::uint32_t rate) noexcept {
    const std::uint64_t hz = ClockHz(clock);
    const std::uint64_t samples = (tstates * std::uint64_t{rate} + hz / 2) / hz;
    return samples == 0 ? 1 : samples;
}

} // namespace bitreel
