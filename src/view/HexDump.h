#pragma once

// Every byte of a block, sixteen to a line.

#include "tape/ImageBlock.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <span>
#include <string>

namespace bitreel::view {

// A block as stored in the file (length field, flag, payload, checksum),
// shown from the flag on. First a line naming the length after the length
// field and where the flag and checksum lie; then per 16 bytes the offset
// (4 hex digits), the bytes in hex, and the printable ones as characters (others as "."); the flag
// shows in square brackets, the checksum in angle brackets, "|" where the two touch. Last the
// checksum verdict, as ChecksumText. Every line ends in a newline:
//
//   Length 4: flag at 0000 in [ ], checksum at 0003 in < >
//   0000[FF]41 42<03>                                      .AB.
//   Checksum: stored 0x03, computed 0x03: good
[[nodiscard]] std::string HexDump(std::span<const std::uint8_t> frame);

// The same with the verdict the reader gave (see CheckChecksum).
[[nodiscard]] std::string HexDump(std::span<const std::uint8_t> frame, ChecksumVerdict verdict);

// Memory as the lines above show a block's bytes, with no marks, each line
// led by its address from address on (bytes past 0xFFFF are left out).
[[nodiscard]] std::string MemoryHex(std::span<const std::uint8_t> bytes, std::uint16_t address);

// A contents row's block as an inspector shows its bytes: with the reader's
// verdict. A corrupt block of a file of blocks: a line saying how many of the
// bytes its length field gives the file holds, then those bytes from the flag
// on, with no checksum marked; a corrupt TZX or PZX block: a line saying how
// many bytes the file holds from the block's start, then those bytes.
[[nodiscard]] std::string HexDump(const ImageBlock& block, TapeLayout layout);

} // namespace bitreel::view
