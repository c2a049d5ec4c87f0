#pragma once

#include "transfer/TransferFrontEnd.h"

#include <string>
#include <string_view>

namespace bitreel {

// The status line's words for what a transfer is doing: "Playing...",
// "Waiting...", "Recording...".
[[nodiscard]] std::string_view ActivityText(Activity activity);

// The progress line: "25 of 50", or "1 of ?" while the block's size is not
// known yet; for a block played through the sound card its time, "2.5 of
// 14.1 s".
[[nodiscard]] std::string ProgressText(const BlockProgress& progress);

// The status line while the sound card plays: the tape stopped at a stop
// block, and the key that goes on ("Tape stopped at block 4: Ctrl+P goes on").
[[nodiscard]] std::string TapeStoppedText(int row, std::string_view key);
// A select block plays its first choice: "Block 5: first choice".
[[nodiscard]] std::string ChoiceText(int row);

} // namespace bitreel
