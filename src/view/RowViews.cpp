#include "view/RowViews.h"

namespace bitreel::view {
namespace {

bool Whole(const std::optional<StoredBlock>& block) {
    return block && !block->Corrupt && block->Frame;
}

} // namespace

RowViews ViewsOfRow(const RowBlocks& blocks, MachineKind machine) {
    RowViews shown;
    if (!Whole(blocks.at)) {
        return shown;
    }
    if (blocks.at->Header) {
        shown.headerRow = true;
        shown.header = BlockPayload(blocks.at->Bytes);
        if (Whole(blocks.after) && !blocks.after->Header) {
            shown.data = BlockPayload(blocks.after->Bytes);
        } else {
            return shown; // a header whose data never came
        }
    } else {
        if (Whole(blocks.before) && blocks.before->Header) {
            shown.header = BlockPayload(blocks.before->Bytes);
        }
        shown.data = BlockPayload(blocks.at->Bytes);
    }
    shown.views = FittingViews(machine, shown.header, shown.data);
    return shown;
}

} // namespace bitreel::view
