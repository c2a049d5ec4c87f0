#pragma once

// Gathers the entries of one TZX or PZX image in file order and gives each
// data block that can be sent its frame and row by the TAP rules.

#include "tape/TapeEntry.h"

#include <cstdint>
#include <span>
#include <string>

namespace bitreel {

class EntryBuilder {
public:
    // A data block whose bytes (flag, payload, checksum) fit one frame.
    void AddFrame(std::span<const std::uint8_t> data, bool turbo);

    // Any other block, with its row.
    void Add(EntryKind kind, std::string row);

    // The entries; every frame is read back through ReadBlock, so that its
    // bytes, checksum and row are those of the same block in a TAP file.
    [[nodiscard]] TapeEntries Finish() &&;

private:
    TapeEntries entries_;
    std::vector<std::uint8_t> tap_; // the frames, laid out as a Spectrum TAP file
};

} // namespace bitreel
