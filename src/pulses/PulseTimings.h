#pragma once

// The tape encodings of the two machines' ROMs, in T-states of each
// machine's own clock: the one table that both playing and reading a tape
// go by.

#include <array>
#include <cstddef>
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

// Which byte of a block a bit belongs to: the Jupiter Ace's saver times the
// first bit of each a few T-states apart.
enum class RomByte : std::uint8_t { Flag, Data, Checksum };

// How a ROM saver writes one block: a pilot tone, two sync pulses, then each
// bit of each byte, most significant first, as two pulses, and for the
// Jupiter Ace an end mark.
struct RomEncoding {
    PulseClock clock;
    std::uint32_t pilotPulse;
    // Every so many pilot pulses one is shortPilotPulse long (0: none).
    std::uint32_t shortPilotEvery;
    std::uint32_t shortPilotPulse;
    std::uint32_t headerPilotPulses; // the flag byte says header
    std::uint32_t dataPilotPulses;
    std::uint32_t sync1;
    std::uint32_t sync2;
    // A bit's second pulse; its first is as long but for the differences
    // below.
    std::uint32_t zeroPulse;
    std::uint32_t onePulse;
    // What the first pulse of a bit adds: of a byte's first bit, by its
    // byte (RomByte order), and of every other bit.
    std::array<std::int8_t, 3> firstBitExtra;
    std::int8_t laterBitExtra;
    std::uint32_t endMark; // one pulse after the last bit (0: none)
    // The flag bytes below this get the header's pilot.
    std::uint32_t headerFlagsBelow;
};

// Each machine's ROM saver, in PulseClock order.
// - Spectrum: the ROM's SA-BYTES (0x04C2) and its constants at 0x04D0
//   onwards.
// - Jupiter Ace: the ROM's "save bytes to tape" at 0x1820, counted from the
//   T-states of its loops in Geoff Wearmouth's disassembly of the ROM (with
//   Pedro Gimeno's tape comments): leader L1837, syncs L1847 and L184F, bits
//   L1859-L186D, checksum L188F, end L1892. The leader is 8192 OUTs for a
//   header and 1024 for data, 2011 T-states apart, 2010 after every 256th
//   (where the counter's low byte wraps). The first OUT finds the line low
//   already, so the tape holds 8191 and 1023 pulses, the first of them low:
//   sync 1 is then high, as the ROM's. A bit's first pulse is 802 (0) or
//   1592 (1), its second 801 or 1591; the first bit of a byte is later or
//   sooner by its byte's path through the loop: 799/1589 for the flag,
//   803/1593 for data, 805/1595 for the checksum. After the checksum the
//   line stays high 917 T-states, then low.
// One row a machine, its fields in columns: the pilot and syncs, then the
// bits, the end mark and the header flags.
// clang-format off
inline constexpr std::array<RomEncoding, 2> RomEncodings{{
    // clock                 pilot  every  short  header  data    sync1  sync2
    //                       zero   one    first bit   later  end mark  header flags
    {PulseClock::Spectrum,   2168,  0,     0,     8063,   3223,   667,   735,
                             855,   1710,  { 0, 0, 0}, 0,     0,        128},
    {PulseClock::JupiterAce, 2011,  256,   2010,  8191,   1023,   601,   791,
                             801,   1591,  {-2, 2, 4}, 1,     917,      1},
}};
// clang-format on

[[nodiscard]] constexpr const RomEncoding& RomOf(PulseClock clock) noexcept {
    return RomEncodings[static_cast<std::size_t>(clock)];
}
inline constexpr const RomEncoding& SpectrumRom = RomOf(PulseClock::Spectrum);
inline constexpr const RomEncoding& AceRom = RomOf(PulseClock::JupiterAce);
static_assert(SpectrumRom.clock == PulseClock::Spectrum && AceRom.clock == PulseClock::JupiterAce);

// The length of one pulse of a bit: half 0 or 1 of bit (0 the most
// significant) of a byte.
[[nodiscard]] constexpr std::uint32_t RomBitPulse(const RomEncoding& rom, RomByte byte,
                                                  unsigned bit, unsigned half, bool one) noexcept {
    const std::uint32_t base = one ? rom.onePulse : rom.zeroPulse;
    if (half != 0) {
        return base;
    }
    const int extra =
        bit == 0 ? rom.firstBitExtra[static_cast<std::size_t>(byte)] : rom.laterBitExtra;
    return static_cast<std::uint32_t>(static_cast<int>(base) + extra);
}

// A TAP block is followed by the pause the ROM's SAVE leaves between blocks.
inline constexpr std::uint32_t TapPauseMs = 1000;

} // namespace bitreel
