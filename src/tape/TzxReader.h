#pragma once

#include "tape/EntryBuilder.h"
#include "tape/TapeEntry.h"

#include <cstdint>
#include <span>

namespace bitreel {

// Reads a TZX image (signature "ZXTape!", 0x1A, version 1.xx) held in memory:
// every block ID of revision 1.20, the deprecated ones where documented, and
// unknown IDs skipped by the 4-byte length that every block from revision
// 1.10 on begins with. One entry per block, in file order.
class TzxReader {
public:
    // A file without the signature, or one that ends inside a block, lists its
    // whole blocks and then one corrupt entry. Nothing in the bytes makes it
    // throw (beyond running out of memory) or read outside them.
    [[nodiscard]] static TapeEntries Read(std::span<const std::uint8_t> file,
                                          FrameUse frames = FrameUse::Keep);
};

} // namespace bitreel
