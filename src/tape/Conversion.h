#pragma once

#include "tape/TapeImage.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// A Jupiter Ace image turned from one layout into the other, block by block.
struct AceConversion {
    std::vector<std::uint8_t> bytes; // the converted blocks
    int blocks = 0;                  // blocks converted
    // The index of a block that could not be read whole; conversion ends
    // there, and the blocks before it are converted.
    std::optional<int> corruptBlock;
    bool strayByte = false; // one byte after the last block, left out
};

// Ace TAP to JUP: each block gets the flag byte the TAP layout leaves out
// (0 for a header, 255 for data, headers and data alternating from a header
// as Play sends them) and a length field one more. Checksums are carried as
// stored, so that converting back gives the same bytes.
[[nodiscard]] AceConversion AceTapToJup(std::span<const std::uint8_t> tap);

// JUP to Ace TAP: each block loses its flag byte and its length field drops
// by one; an empty block has no flag to drop and stays as it is.
[[nodiscard]] AceConversion JupToAceTap(std::span<const std::uint8_t> jup);

// A block's frame (length field, flag, payload, checksum) as the layout
// stores it: as it stands, or for the Jupiter Ace TAP layout without its
// flag and with the length field one less. An empty frame has no flag to
// drop and is stored as it stands.
[[nodiscard]] std::vector<std::uint8_t> BlockInLayout(std::span<const std::uint8_t> frame,
                                                      TapeLayout layout);

// An image turned into a file of blocks: every block that goes out as a
// frame, in order, with its bytes as the image stores them; the rows of the
// others are left out.
struct ImageConversion {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> leftOut; // the rows left out
    bool corrupt = false;             // one of them could not be read whole
};

[[nodiscard]] ImageConversion ConvertImage(const TapeImage& image, TapeLayout layout);

} // namespace bitreel
