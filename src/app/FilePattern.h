#pragma once

#include "tape/TapeLayout.h"

#include <string>

namespace bitreel {

// The file list's pattern for a layout: "*.TAP;*.TZX;*.PZX" for the Spectrum, "*.JUP"
// for Jupiter Ace JUP files, "*.TAP;*.DIC;*.BYT" for Jupiter Ace TAP files.
// Patterns are separated by ";".
[[nodiscard]] std::string FilePatternFor(TapeLayout layout);

} // namespace bitreel
