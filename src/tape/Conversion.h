#pragma once

#include "tape/TapeImage.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
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
    // The blocks converted whose checksum fits no rule: written as they
    // are, damaged.
    std::vector<int> damaged;
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

// A row written whose bytes are not the ones that were saved: its checksum
// fits no rule, or a recording's image keeps a text before it that says it
// was read damaged (what that text says of it is the note).
struct DamagedRow {
    std::size_t row = 0;
    std::string note; // "least certain bits 12.3 ..."; empty when the checksum tells
    bool sent = true; // it goes out as a frame; else only an image can keep it
};

// An image turned into a file of blocks: every block that goes out as a
// frame, in order, with its bytes as the image stores them; the rows of the
// others are left out, but for a text that names the next block damaged,
// which that block's note carries.
struct ImageConversion {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> leftOut; // the rows left out
    std::vector<DamagedRow> damaged;  // the rows written damaged
    bool corrupt = false;             // one of them could not be read whole
};

[[nodiscard]] ImageConversion ConvertImage(const TapeImage& image, TapeLayout layout);

} // namespace bitreel
