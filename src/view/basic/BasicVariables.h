#pragma once

// The variables area saved after a Spectrum BASIC program.

#include "view/TextView.h"

#include <cstdint>
#include <span>

namespace bitreel::view {

// One line per variable, in the order stored, up to the end marker 0x80 or
// the end of the bytes (SAVE leaves the marker out):
// "a = 5", "total = 1.5" (long names), "a$ = \"text\"", arrays as
// ListNumberArray and ListCharArray show them, and FOR loop variables with
// their limit, step and the statement the loop goes back to:
// "i = 3 (TO 10 STEP 1, loops to line 20 statement 2)". Names show in
// lower case, as the machine lists them.
[[nodiscard]] TextView ListBasicVariables(std::span<const std::uint8_t> variables);

} // namespace bitreel::view
