#pragma once

#include "tape/TapeEntry.h"

#include <cstdint>
#include <optional>
#include <span>

namespace bitreel {

// Reads a TZX image (signature "ZXTape!", 0x1A, version 1.xx) held in memory:
// every block ID of revision 1.20, the deprecated ones where documented, and
// unknown IDs skipped by the 4-byte length that every block from revision
// 1.10 on begins with.
class TzxReader {
public:
    // The block at offset at: 0 for the first, else the next of the block
    // before. No value past the last block. A file without the signature, or
    // a block that runs past the end, is one last corrupt entry. Nothing in
    // the bytes makes it throw (beyond running out of memory) or read outside
    // them.
    [[nodiscard]] static std::optional<TapeEntry> ReadEntry(std::span<const std::uint8_t> file,
                                                            std::size_t at);

    // The image holds a Jupiter Ace tape. Read up to its first data block:
    // a hardware block names the Jupiter Ace (type 0, ID 0x1A) as a machine
    // the tape runs on, or the first data block is an Ace header (27 bytes,
    // flag 0, type 0x00 or 0x20). No value when the bytes end before either
    // tells (the start of a file).
    [[nodiscard]] static std::optional<bool> IsJupiterAceTape(std::span<const std::uint8_t> file);
};

} // namespace bitreel
