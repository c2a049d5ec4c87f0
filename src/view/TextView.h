#pragma once

#include <string>
#include <vector>

namespace bitreel::view {

// What a text decoder found: the lines to show, and the damage it met on
// the way (a line running past the end of the block, an unknown variable
// type), each in a sentence of its own. Decoding stops at damage it cannot
// step over; the lines before it stay.
struct TextView {
    std::vector<std::string> lines;
    std::vector<std::string> problems;

    // The lines, one per text line, then each problem after "! ".
    [[nodiscard]] std::string Text() const;
};

} // namespace bitreel::view
