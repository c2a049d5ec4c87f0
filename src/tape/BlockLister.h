#pragma once

#include "tape/BlockDescription.h"
#include "tape/TapeBlock.h"
#include "tape/TapeLayout.h"

#include <string>

namespace bitreel {

// Makes the contents-list rows of one tape image's blocks, in file order. It
// carries the Jupiter Ace header/data state from one block to the next, the
// first block expected to be a header, as the listing of a file does.
class BlockLister {
public:
    BlockLister(MachineKind machine, bool isTapFile) : machine_(machine), isTapFile_(isTapFile) {}

    // The row of the next block, read whole.
    [[nodiscard]] std::string Row(const TapeBlock& block) {
        return ContentsRow(block, machine_, isTapFile_, expectHeader_);
    }

private:
    MachineKind machine_;
    bool isTapFile_;
    bool expectHeader_ = true;
};

} // namespace bitreel
