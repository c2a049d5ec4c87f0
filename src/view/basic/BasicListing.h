#pragma once

// The whole data block of a Spectrum Program header: the program, then its
// variables.

#include "view/TextView.h"

#include <cstdint>
#include <span>
#include <string>

namespace bitreel::view {

struct BasicListing {
    TextView program;   // as ListBasicProgram
    TextView variables; // as ListBasicVariables

    // The program's text; then, when there are variables (or damage among
    // them), an empty line, "Variables:" and their text.
    [[nodiscard]] std::string Text() const;
};

// Splits the data at programLength, the header's "Vars Area" offset
// (parameter 2): the program before it, the variables after it. An offset
// beyond the data takes the whole data as program and says so.
[[nodiscard]] BasicListing ListBasic(std::span<const std::uint8_t> data, std::size_t programLength);

} // namespace bitreel::view
