#pragma once

#include "tape/ImageBlock.h"
#include "tape/TapeBlock.h"
#include "tape/TapeLayout.h"

#include <optional>
#include <string>

namespace bitreel {

// Everything the machine's rules make of a block read whole, decided in one
// place: its kind, its header fields, whether it stands where a header is
// read, and its contents-list row.
struct BlockFacts {
    BlockKind kind = BlockKind::Unknown;
    std::optional<HeaderFields> header;
    bool headerPlace = false;
    std::string row;
    // The description rules gave the row (DescribeBlock has a text).
    bool described = false;
};

// The facts of a block read whole (Length 0 or more). The row is
// "Empty block [Length=0]", the description, or, where the description rules
// give no text, a row of its own so that every block still gets one: an Ace
// header of another type shows its type number like the other header rows, a
// block too short for its rule shows as an unknown block. Name bytes go into
// the row unchanged, one char per byte; so does an array's variable byte
// unless it holds a letter of the array's kind. A Spectrum block whose
// checksum Verdict is Damaged, and an Ace block with BadChecksum, get
// " (Invalid Checksum)" after the text. Updates ExpectHeader by the Jupiter
// Ace rules; the Spectrum rules leave it.
[[nodiscard]] BlockFacts DescribeFacts(const TapeBlock& block, MachineKind machine, bool isTapFile,
                                       bool& ExpectHeader);

// The one-line description, or no value when the rules give no text
// (an abandoned description, a Jupiter Ace header of another type).
[[nodiscard]] std::optional<std::string> DescribeBlock(const TapeBlock& block, MachineKind machine,
                                                       bool isTapFile, bool& ExpectHeader);

// The contents-list row of a block that was read whole, as DescribeFacts
// makes it.
[[nodiscard]] std::string ContentsRow(const TapeBlock& block, MachineKind machine, bool isTapFile,
                                      bool& ExpectHeader);

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

// The row of a block that could not be read.
inline constexpr const char* CorruptBlockRow = "Corrupt block";

} // namespace bitreel
