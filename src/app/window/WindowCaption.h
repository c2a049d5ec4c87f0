#pragma once

#include <string>

namespace bitreel {

// The window's caption for a program version: "Bitreel V", the major number,
// ".", then the minor number with at least two digits (1.7 gives
// "Bitreel V1.07", 2.123 gives "Bitreel V2.123").
[[nodiscard]] std::string WindowCaption(int major, int minor);

} // namespace bitreel
