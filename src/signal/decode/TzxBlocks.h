#pragma once

#include "signal/decode/TapeDecoder.h"
#include "tape/TapeLayout.h"
#include "tape/formats/TzxWriter.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel {

// The TZX blocks that what was read from a recording is written as, one item
// at a time: a whole recording's file and a live recording share them. The
// file's start, text and turbo blocks are tape/formats/TzxWriter.h's.

// The silence between two edges (in samples at the rate) as a TZX pause:
// none where the second comes first (the next block began at once).
[[nodiscard]] std::uint32_t TzxPauseMs(double fromSample, double toSample, std::uint32_t rate);

// The pause after a recording's last item, where no edge follows to measure
// the silence to: the ROM's between two blocks.
inline constexpr std::uint32_t LastItemPauseMs = TapPauseMs;

// The text a damaged block's row comes after: "damaged: least certain bits
// 12.3 40.7 ...; 1 dropout bridged" or "...; repaired: flip 12.3" (byte.bit,
// counted from 1 and 0); a block shorter or longer than its header says
// starts "damaged: 11264 bytes where the header says 11267; ".
[[nodiscard]] std::string DamageText(const DecodedBlock& block);

// A block at the ROM's timings (within RomTolerance) as a standard speed
// block (0x10), any other as a turbo block (0x11) with its measured
// timings and the bits used of its last byte; the bytes are the bytes read,
// checksum and all; a damaged block after a text (0x30) that gives its
// DamageText. Returns where in out the block's pause is stored, for a pause
// not known yet to be set later.
std::size_t AppendTzxBlock(std::vector<std::uint8_t>& out, const DecodedBlock& block,
                           std::uint32_t pauseMs);

// The shortest sample a direct recording is written with, in T-states: 44.1
// kHz's. A loader samples its EAR bit every 59 T-states or so, so finer
// samples hold nothing it reads, and a stretch timed to the T-state (read
// from a TZX's own pulses) would take a bit a T-state.
inline constexpr long DirectSampleAtLeast = 79;

// A stretch not understood, its edges in samples at the rate, as a direct
// recording (0x15, a bit a sample, 1 high), so that nothing a loader could
// read is lost. Not CSW (0x18): the common TZX readers do not know that
// block. Returns where its pause is stored.
std::size_t AppendTzxStretch(std::vector<std::uint8_t>& out, std::span<const double> edges,
                             std::uint32_t rate, std::uint32_t pauseMs);

// Sets a pause that AppendTzxBlock or AppendTzxStretch stored at.
void SetTzxPause(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t pauseMs);

} // namespace bitreel
