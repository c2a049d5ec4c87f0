#pragma once

// The Spectrum's number and character arrays: the data block saved with
// SAVE ... DATA, and the arrays of a program's variables area.

#include "view/TextView.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace bitreel::view {

// The array's bytes: the number of dimensions (1 byte), each dimension (2
// bytes, low first), then the elements, the last index running fastest.
// The first line is the name with the dimensions, "a(2,3)"; then one
// indented line per run of the last index, its leading indices in front
// when there are any: "  (1) 1, 2, 3". Numbers print as the machine prints
// them.
[[nodiscard]] TextView ListNumberArray(std::span<const std::uint8_t> data, std::string_view name);

// As ListNumberArray, the elements being characters: each run of the last
// index shows as a quoted string, "  (2) \"hello\"".
[[nodiscard]] TextView ListCharArray(std::span<const std::uint8_t> data, std::string_view name);

// The array's name from a header's variable byte (the high byte of
// parameter 1): the letter in its low 5 bits, "$" after it for a character
// array.
[[nodiscard]] std::string ArrayName(std::uint8_t variableByte, bool characters);

} // namespace bitreel::view
