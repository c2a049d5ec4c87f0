#pragma once

#include "transfer/TransferFrontEnd.h"

#include <string>
#include <string_view>

namespace bitreel {

// The status line's words for what a transfer is doing: "Playing...",
// "Waiting...", "Recording...".
[[nodiscard]] std::string_view ActivityText(Activity activity);

// The progress line: "25 of 50", or "1 of ?" while the block's size is not
// known yet.
[[nodiscard]] std::string ProgressText(const BlockProgress& progress);

} // namespace bitreel
