#pragma once

#include "tape/TapeBlock.h"
#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <span>

namespace bitreel {

// The checksum every layout carries in its last byte: the XOR of the payload,
// the bytes strictly between the flag byte and the checksum byte. The flag is
// never part of it, for Spectrum blocks too; the machine's side of the line
// relies on exactly this rule.
[[nodiscard]] std::uint8_t PayloadChecksum(std::span<const std::uint8_t> payload) noexcept;

// The verdict on a frame as it stands before any replacement: length field,
// flag, payload, checksum. A frame without a body has nothing to judge; a body
// of one byte holds no payload, so that byte must be 0.
[[nodiscard]] ChecksumVerdict FrameChecksumVerdict(std::span<const std::uint8_t> frame) noexcept;

// Reads the next block of the file into block, in the given layout.
// Returns false when the block is corrupt (it cannot be read whole); true with
// Length -1 at the end of the file (including a lone last byte); true with
// Length 0 and Bytes 00 00 for an empty block. A wrong checksum is replaced by
// the computed one and flagged in BadChecksum; Verdict says whether the stored
// one was good, replaced or damaged. For the Ace TAP layout the flag
// byte the file lacks is supplied from ExpectHeader (0 header, 255 data).
// Throws std::system_error on a read error of the file.
bool ReadBlock(TapeFile& file, TapeBlock& block, TapeLayout layout, bool ExpectHeader);

// The block of a Spectrum TAP file whose bytes after the length field are
// body (at most 65,535 of them), exactly as ReadBlock reads it: the length
// field in front, a wrong checksum replaced and flagged by the same rule.
// For the data blocks of other image formats.
void FrameFromBody(std::span<const std::uint8_t> body, TapeBlock& block);

// A frame after its 2-byte length field (flag, payload, checksum), and the
// payload alone (empty when the frame has no byte between flag and checksum).
[[nodiscard]] std::span<const std::uint8_t> BlockBody(std::span<const std::uint8_t> frame) noexcept;
[[nodiscard]] std::span<const std::uint8_t>
BlockPayload(std::span<const std::uint8_t> frame) noexcept;

} // namespace bitreel
