#pragma once

#include "tape/TapeLayout.h"

#include <string>

namespace bitreel {

// The file list's pattern for a layout: "*.TAP;*.TZX;*.PZX" for the Spectrum, "*.JUP;*.TZX"
// for Jupiter Ace JUP files, "*.TAP;*.DIC;*.BYT" for Jupiter Ace TAP files; the
// first two with the recordings a tape is read from, "*.WAV;*.FLAC;*.CSW", and
// the Spectrum's with the snapshots that open as the tape that loads them,
// "*.Z80;*.SNA;*.SZX". Patterns are separated by ";".
[[nodiscard]] std::string FilePatternFor(TapeLayout layout);

} // namespace bitreel
