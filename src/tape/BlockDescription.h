#pragma once

#include "tape/TapeBlock.h"
#include "tape/TapeLayout.h"

#include <optional>
#include <string>

namespace bitreel {

// The one-line description, or no value when the rules give no text
// (an abandoned description, a Jupiter Ace header of another type).
// Name bytes go into the text unchanged, one char per byte; so does an array's
// variable byte unless it holds a letter of the array's kind. A Spectrum
// block whose checksum Verdict is Damaged, and an Ace block with BadChecksum,
// get " (Invalid Checksum)" after the text.
// Updates ExpectHeader by the Jupiter Ace rules; the Spectrum rules leave it.
[[nodiscard]] std::optional<std::string> DescribeBlock(const TapeBlock& block, MachineKind machine,
                                                       bool isTapFile, bool& ExpectHeader);

// The contents-list row of a block that was read whole (Length 0 or more):
// "Empty block [Length=0]", the description, or, where the description rules
// give no text, a row of its own so that every block still gets one row:
// an Ace header of another type shows its type number like the other header
// rows, a block too short for its rule shows as an unknown block.
// Updates ExpectHeader exactly as DescribeBlock does.
[[nodiscard]] std::string ContentsRow(const TapeBlock& block, MachineKind machine, bool isTapFile,
                                      bool& ExpectHeader);

// The row of a block that could not be read.
inline constexpr const char* CorruptBlockRow = "Corrupt block";

} // namespace bitreel
