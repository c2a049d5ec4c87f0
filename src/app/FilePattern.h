#pragma once

#include "tape/TapeLayout.h"

#include <string>
#include <string_view>

namespace bitreel {

// The file list's pattern for the machine and format choice: "*.TAP" for the
// Spectrum; for the Jupiter Ace "*.JUP" when formatText is exactly "JUP",
// else "*.TAP;*.DIC;*.BYT". Patterns are separated by ";".
[[nodiscard]] std::string FilePatternFor(MachineKind machine, std::string_view formatText);

} // namespace bitreel
