#pragma once

// One block of a TZX or PZX image, in the form the contents list and Play use.

#include "tape/TapeBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bitreel {

// What Play does when it comes to the block.
enum class EntryKind {
    Frame,   // Block goes out as its frame, exactly as from a TAP file
    Skipped, // nothing goes out; Play passes over the block with its row selected
    Stop,    // the tape stops: Play ends after the block before it, and the next
             // Play goes on from the row after it
    Corrupt, // the block cannot be read whole; Play ends before it, as at a
             // corrupt TAP block, and the readers list nothing after it
};

struct TapeEntry {
    EntryKind Kind = EntryKind::Skipped;
    std::string Row;    // the contents-list row
    TapeBlock Block;    // Frame only, when the frames are kept: as ReadBlock gives the
                        // same block of a TAP file
    bool Turbo = false; // Frame only: stored for a loader other than the ROM's
    // Frame only, when the frames are kept: the checksum byte as the image
    // stores it, which Block may have replaced.
    std::uint8_t StoredChecksum = 0;
};

// Row k stands for entry k, as for block k of a TAP file.
using TapeEntries = std::vector<TapeEntry>;

// The rows of the contents list, in entry order.
[[nodiscard]] std::vector<std::string> EntryRows(const TapeEntries& entries);

// At least one entry goes out as a frame; without one, Play stays disabled.
[[nodiscard]] bool HasFrame(const TapeEntries& entries) noexcept;

} // namespace bitreel
