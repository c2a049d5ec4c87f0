#pragma once

// What one row of a tape plays, as a few steps (a tone, a run of bits, a
// pause) rather than as its pulses: a block of 64 KiB makes a million
// pulses, which are made one at a time as they are asked for.

#include "pulses/PulseTimings.h"
#include "pulses/Pulses.h"

#include <cstdint>
#include <span>
#include <vector>

namespace bitreel {

struct PulseStep {
    enum class Kind : std::uint8_t {
        Tone,        // count pulses of length
        Words,       // count pulses, their lengths 16-bit words in data (TZX 0x13)
        PzxPulses,   // the pulses of a PZX PULS block in data, starting low
        Bits,        // count bits of data, most significant first, two pulses each
        RomBytes,    // data in a ROM's encoding, rom's bit pulses (see RomBitPulse)
        PatternBits, // count bits of data, a 0 as the pulses in zeros, a 1 as those in ones
        Samples,     // count bits of data, each a level (1 high) held for length
        Csw,         // the pulses of a CSW recording at rate length, count the compression
        SymbolRuns,  // TZX 0x19 pilot: runs of symbols from table
        SymbolBits,  // TZX 0x19 data: count symbols of bits bits each, from table
        SetLevel,    // the next pulse has level
        Hold,        // level held for length, the level after it unchanged (PZX PAUS)
        Pause,       // length ms: the level after the last edge for 1 ms, then low
    };
    Kind kind = Kind::Tone;
    PulseClock clock = PulseClock::Spectrum;
    Level level = Level::Low;
    std::uint8_t bits = 0; // SymbolBits: bits a symbol; Bits: bits used in the last byte
    std::uint32_t length = 0;
    std::uint32_t count = 0;
    std::uint32_t zero = 0; // Bits: a 0 bit's pulse
    std::uint32_t one = 0;  // Bits: a 1 bit's pulse
    std::span<const std::uint8_t> data{};
    std::span<const std::uint8_t> zeros{}; // PatternBits: 16-bit words
    std::span<const std::uint8_t> ones{};
    std::span<const std::uint8_t> table{}; // Symbol*: the symbol definitions
    std::uint32_t symbolPulses = 0;        // Symbol*: pulses a symbol (its table entry's size)
    const RomEncoding* rom = nullptr;
    bool wholeSamples = false; // its pulses play as whole samples (WholeSamples.h)
};

// What the tape does after a row's pulses.
struct RowFlow {
    enum class Kind : std::uint8_t {
        Next,      // on to the next row
        Jump,      // by jump rows (TZX 0x23)
        LoopStart, // the rows up to the loop's end play count times
        LoopEnd,
        Calls,  // each of targets (relative) in turn, back at each Return
        Return, // back to the call
        Select, // a choice: the first, by targets[0] rows
        Stop,   // the tape stops
        Corrupt,
    };
    Kind kind = Kind::Next;
    int jump = 0;
    std::uint32_t count = 0;
    std::vector<int> targets;
};

struct RowPulses {
    std::vector<PulseStep> steps;
    RowFlow flow;
};

} // namespace bitreel
