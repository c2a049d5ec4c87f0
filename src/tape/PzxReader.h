#pragma once

#include "tape/EntryBuilder.h"
#include "tape/TapeEntry.h"

#include <cstdint>
#include <span>

namespace bitreel {

// Reads a PZX image (a "PZXT" header block of version 1.x first, then PULS,
// DATA, PAUS, BRWS and STOP blocks; other tags are passed over by their size)
// held in memory. One entry per block, the header block included, in file
// order.
class PzxReader {
public:
    // A file without the header block, or one that ends inside a block, lists
    // its whole blocks and then one corrupt entry. Nothing in the bytes makes
    // it throw (beyond running out of memory) or read outside them.
    [[nodiscard]] static TapeEntries Read(std::span<const std::uint8_t> file,
                                          FrameUse frames = FrameUse::Keep);
};

} // namespace bitreel
