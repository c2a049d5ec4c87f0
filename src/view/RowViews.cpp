#include "view/RowViews.h"

namespace bitreel::view {
namespace {

bool Whole(const std::optional<ImageBlock>& block) {
    return block && block->Sent();
}

} // namespace

RowBlocks BlocksAround(const TapeImage& image, std::size_t row) {
    RowBlocks found;
    if (row >= image.RowCount()) {
        return found;
    }
    found.at = image.Block(row);
    if (row > 0) {
        found.before = image.Block(row - 1);
    }
    if (row + 1 < image.RowCount()) {
        found.after = image.Block(row + 1);
    }
    return found;
}

RowViews ViewsOfRow(const RowBlocks& blocks, MachineKind machine) {
    RowViews shown;
    if (!Whole(blocks.at)) {
        return shown;
    }
    if (blocks.at->headerPlace) {
        shown.headerRow = true;
        shown.header = BlockPayload(blocks.at->stored);
        if (Whole(blocks.after) && !blocks.after->headerPlace) {
            shown.data = BlockPayload(blocks.after->stored);
        } else {
            return shown; // a header whose data never came
        }
    } else {
        if (Whole(blocks.before) && blocks.before->headerPlace) {
            shown.header = BlockPayload(blocks.before->stored);
        }
        shown.data = BlockPayload(blocks.at->stored);
    }
    shown.views = FittingViews(machine, shown.header, shown.data);
    return shown;
}

} // namespace bitreel::view
