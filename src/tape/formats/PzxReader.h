#pragma once

#include "tape/TapeEntry.h"

#include <cstdint>
#include <optional>
#include <span>

namespace bitreel {

// Reads a PZX image (a "PZXT" header block of version 1.x first, then PULS,
// DATA, PAUS, BRWS and STOP blocks; other tags are passed over by their size)
// held in memory. One entry per block, the header block included.
class PzxReader {
public:
    // The block at offset at, as TzxReader::ReadEntry; a file without the
    // header block is one corrupt entry.
    [[nodiscard]] static std::optional<TapeEntry> ReadEntry(std::span<const std::uint8_t> file,
                                                            std::size_t at);
};

} // namespace bitreel
