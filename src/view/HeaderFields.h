#pragma once

// The fields of a header block, one per line, for a reader who wants more
// than its contents-list row.

#include "tape/TapeLayout.h"
#include "view/TextView.h"

#include <cstdint>
#include <span>

namespace bitreel::view {

// The header's payload (17 bytes for the Spectrum, 25 for the Jupiter Ace)
// as "Field: value" lines: type, name, data length and what the type adds
// (the autostart line and program length of a program, the variable of an
// array, the start of code; the start and newest word of a dictionary).
// Name bytes show as Latin-1 characters, as in the contents list. A payload
// of another size is a problem, with no fields.
[[nodiscard]] TextView ListHeaderFields(MachineKind machine, std::span<const std::uint8_t> header);

} // namespace bitreel::view
