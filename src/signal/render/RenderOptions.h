#pragma once

#include <array>
#include <cstdint>

namespace bitreel {

// The sample rates a tape is rendered at.
inline constexpr std::array<std::uint32_t, 4> SampleRates = {22'050, 44'100, 48'000, 96'000};
inline constexpr std::uint32_t DefaultSampleRate = 44'100;

// How pulses become sound.
struct RenderOptions {
    std::uint32_t rate = DefaultSampleRate;
    // Some loaders (and some leads) need the wave the other way up.
    bool invert = false;
    // The square wave's peak, in percent of full scale. 70 leaves room for
    // the overshoot a sound card's filters add to a square wave, so nothing
    // clips, and still gives the EAR socket more than it needs from a line
    // or headphone output at full volume.
    int levelPercent = 70;
    // Silence before the first pulse and after the last, so that a player's
    // start and end cut no edge.
    std::uint32_t leadMs = 500;
    std::uint32_t tailMs = 500;
};

// True for a rate in SampleRates.
[[nodiscard]] bool IsSampleRate(std::uint32_t rate) noexcept;

} // namespace bitreel
