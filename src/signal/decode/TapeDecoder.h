#pragma once

#include "pulses/PulseTimings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// One bit of a block: byte index and bit (0 the most significant).
struct BitPosition {
    std::size_t byte = 0;
    unsigned bit = 0;
    friend bool operator==(const BitPosition&, const BitPosition&) = default;
};

// Bits lost in a block, counted from the flag's first: those from firstBit
// to resumeBit are guessed, and the bits go on from resumeBit.
struct Dropout {
    std::size_t firstBit = 0;
    std::size_t resumeBit = 0;
};

// A block read from a recording: a pilot, two syncs and bits, with what
// was measured of them, in T-states of the Spectrum's 3.5 MHz clock (the
// clock TZX counts in).
struct DecodedBlock {
    std::vector<std::uint8_t> bytes; // flag, payload, checksum, as read
    std::vector<float> confidence;   // per byte, 0 (a guess) to 1 (clean)
    double pilot = 0;                // mean pilot pulse
    std::size_t pilotPulses = 0;
    double sync1 = 0;
    double sync2 = 0;
    double zero = 0;         // mean pulse of a 0 bit
    double one = 0;          // mean pulse of a 1 bit
    bool romTimings = false; // all within tolerance of the ROM's, syncs too
    bool checksumGood = false;
    std::vector<BitPosition> weakest; // the least certain bits, least first
    // Flipping these (one or two) makes the checksum right: an offer, never
    // applied to the bytes.
    std::optional<std::vector<BitPosition>> repair;
    // Gaps in the block's bits (dropouts) bridged: the bits lost in one are
    // guessed at, with confidence 0, and every bit after it may sit a few
    // places off, so its bytes keep a low confidence.
    std::vector<Dropout> dropouts;
    std::size_t firstEdge = 0; // the edges the block spans
    std::size_t endEdge = 0;
    std::size_t dataEdge = 0; // where the bits start: bit k's pulses end at dataEdge + 2k + 2
    // Per bit, in order, how close its pulses came to a clean 0 or 1.
    std::vector<float> bitCertainty;
    // The length the header before it gave, when the bytes read across
    // dropouts are not that long: the checksum alone cannot tell, as whole
    // bytes of zeros lost leave the XOR as it was.
    std::optional<std::size_t> announced;
    // Bits guessed in dropouts that the checksum cannot check: an XOR checks
    // one guess to a column (a bit's place in its byte), and two in one
    // column may both be wrong and leave it as it was.
    std::size_t uncheckedGuesses = 0;
    // The bits read of the last byte, from its top: fewer where a loader of
    // its own saved only part of it (the rest of the byte is 0).
    unsigned lastBits = 8;

    [[nodiscard]] std::size_t Bits() const noexcept {
        return bytes.empty() ? 0 : (bytes.size() - 1) * 8 + lastBits;
    }
};

// Edges the decoder did not understand: a custom loader, noise, speech.
struct Stretch {
    std::size_t firstEdge = 0;
    std::size_t endEdge = 0; // one past the last
    // The edge the silence after it starts at: its last.
    [[nodiscard]] std::size_t SilenceEdge() const noexcept { return endEdge - 1; }
};

struct DecodedTape {
    std::vector<DecodedBlock> blocks;
    std::vector<Stretch> stretches;
};

// How far a tape may run off speed and still be read.
inline constexpr double SpeedTolerance = 0.15;
// Measured timings within this share of the ROM's are the ROM's.
inline constexpr double RomTolerance = 0.10;
// How many of the least certain bits a damaged block lists.
inline constexpr std::size_t WeakBitsListed = 12;
// A repair flips bits read at less than this confidence, and is offered
// only when no more than RepairAmongAtMost bits of the block are: ten
// flips and pairs of them match an 8-bit checksum by chance one time in 25.
inline constexpr float RepairDoubt = 0.5f;
inline constexpr std::size_t RepairAmongAtMost = 4;
// The longest silence inside a block that is bridged as a dropout, in
// seconds; after a longer one the block has ended.
inline constexpr double DropoutAtMost = 0.1;
// The confidence of a byte read after a dropout.
inline constexpr float AfterDropout = 0.1f;

// Reads the blocks from edges (in samples at the rate) by the machine's ROM
// encoding, and turbo blocks of the same structure. Every edge belongs to a
// block, a stretch, or silence.
[[nodiscard]] DecodedTape DecodeEdges(std::span<const double> edges, std::uint32_t rate,
                                      const RomEncoding& rom);

// The length (flag, payload and checksum) of the data block that a whole,
// good header of either machine announces; none for any other block.
[[nodiscard]] std::optional<std::size_t>
AnnouncedLength(std::span<const std::uint8_t> header) noexcept;

// A block read across dropouts is damaged, its checksum right or not, when
// it is not as long as the header before it announced, and says so. Blocks
// read without a dropout are trusted as read: a loader of its own may load
// a block of any length after a header.
void HoldToHeader(DecodedBlock& block, std::optional<std::size_t> announced);

// A block whose checksum is right is damaged all the same (the bits it
// guessed in its dropouts are wrong): its least certain bits are those.
void DamageAtDropouts(DecodedBlock& block);

// The checksum rules a tape may follow: the XOR of every byte is 0 (the
// ROM's), or the last byte is the XOR of the payload without the flag.
[[nodiscard]] bool ChecksumRight(std::span<const std::uint8_t> bytes) noexcept;

} // namespace bitreel
