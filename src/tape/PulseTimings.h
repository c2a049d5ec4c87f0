#pragma once

// The tape encodings of the two machines' ROMs, in T-states of each
// machine's own clock: the one table that both playing and reading a tape
// go by.

#include <cstdint>

namespace bitreel {

// The clock a pulse is counted in. TZX and PZX count every pulse at the
// Spectrum's 3.5 MHz; the Jupiter Ace's own ROM encoding is timed at its
// 3.25 MHz.
enum class PulseClock : std::uint8_t { Spectrum, JupiterAce };

[[nodiscard]] constexpr std::uint32_t ClockHz(PulseClock clock) noexcept {
    return clock == PulseClock::Spectrum ? 3'500'000 : 3'250'000;
}

// T-states in a millisecond at the TZX clock, in which every pause of a
// TZX or TAP image is played.
inline constexpr std::uint32_t TStatesPerMs = ClockHz(PulseClock::Spectrum) / 1000;

// How a ROM saver writes one block: a pilot tone, two sync pulses, then each
// bit of each byte, most significant first, as two equal pulses.
struct RomEncoding {
    PulseClock clock;
    std::uint32_t pilotPulse;
    std::uint32_t headerPilotPulses; // the flag byte says header
    std::uint32_t dataPilotPulses;
    std::uint32_t sync1;
    std::uint32_t sync2;
    std::uint32_t zeroPulse;
    std::uint32_t onePulse;
    // The flag bytes below this get the header's pilot.
    std::uint32_t headerFlagsBelow;
};

// The Spectrum ROM's SA-BYTES (0x04C2) and its constants at 0x04D0 onwards.
inline constexpr RomEncoding SpectrumRom{
    .clock = PulseClock::Spectrum,
    .pilotPulse = 2168,
    .headerPilotPulses = 8063,
    .dataPilotPulses = 3223,
    .sync1 = 667,
    .sync2 = 735,
    .zeroPulse = 855,
    .onePulse = 1710,
    .headerFlagsBelow = 128,
};

// A TAP block is followed by the pause the ROM's SAVE leaves between blocks.
inline constexpr std::uint32_t TapPauseMs = 1000;

} // namespace bitreel
