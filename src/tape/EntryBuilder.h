#pragma once

// Gathers the entries of one TZX or PZX image in file order and gives each
// data block that can be sent its frame and row by the TAP rules.

#include "tape/TapeEntry.h"

#include <cstdint>
#include <span>
#include <string>

namespace bitreel {

// Whether the entries keep the frames of their data blocks (for Play), or
// only their rows (for the contents list, which then touches no memory per
// frame).
enum class FrameUse { Keep, Drop };

class EntryBuilder {
public:
    explicit EntryBuilder(FrameUse frames) : frames_(frames) {}

    // A data block whose bytes (flag, payload, checksum) fit one frame: its
    // frame, checksum and row are those of the same block in a TAP file.
    void AddFrame(std::span<const std::uint8_t> data, bool turbo);

    // Any other block, with its row.
    void Add(EntryKind kind, std::string row);

    [[nodiscard]] TapeEntries Finish() && { return std::move(entries_); }

private:
    FrameUse frames_;
    TapeEntries entries_;
    TapeBlock scratch_; // the frame being described, when frames are dropped
};

} // namespace bitreel
