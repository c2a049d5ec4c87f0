#pragma once

// The lines of a Spectrum BASIC program as the machine lists them.

#include "view/TextView.h"

#include <cstdint>
#include <span>

namespace bitreel::view {

// One text line per program line: the line number, a space, and the line's
// text up to its ENTER, with keywords spelled out (see SpectrumText). Each
// line is 2 bytes of line number (high byte first), 2 bytes of length (low
// byte first) and that many bytes of text; the next line starts where the
// length says, as when the program runs.
//
// The 5-byte form stored after a number is hidden, as on the machine, unless
// it holds another value than the digits before it show: then the value
// follows in braces, "CLEAR 0{30463}". Digits after BIN are read in binary.
// The slots after DEF FN's parameters are hidden always: "DEF FN h(x)=x*2".
[[nodiscard]] TextView ListBasicProgram(std::span<const std::uint8_t> program);

} // namespace bitreel::view
