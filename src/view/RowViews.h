#pragma once

// What looking inside a contents row shows: a header row shows its fields
// and the views of the data block after it; a data row the views that its
// header (the block before it, when that is one) gives it.

#include "tape/ImageBlock.h"
#include "tape/TapeImage.h"
#include "view/BlockViews.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bitreel::view {

// The block a contents row lists, and its neighbours in the image: the one
// before it (the header of a data block) and the one after it (the data of a
// header).
struct RowBlocks {
    std::optional<ImageBlock> before;
    std::optional<ImageBlock> at; // no value when the image has no such row
    std::optional<ImageBlock> after;
};

// The blocks around an indexed row of the image.
[[nodiscard]] RowBlocks BlocksAround(const TapeImage& image, std::size_t row);

struct RowViews {
    // The payload of the header the data belongs to, when there is one.
    std::optional<std::span<const std::uint8_t>> header;
    // The payload of the data block the views look at; empty when none.
    std::span<const std::uint8_t> data;
    std::vector<BlockView> views; // as FittingViews: the hex dump fits every row besides
    bool headerRow = false;       // the row is the header: show its fields
};

// The spans point into blocks, which must outlive the result. A corrupt
// block is looked inside as hex only.
[[nodiscard]] RowViews ViewsOfRow(const RowBlocks& blocks, MachineKind machine);

} // namespace bitreel::view
