#include "view/basic/BasicListing.h"

#include "view/basic/BasicProgram.h"
#include "view/basic/BasicVariables.h"

namespace bitreel::view {

std::string BasicListing::Text() const {
    std::string text = program.Text();
    if (!variables.lines.empty() || !variables.problems.empty()) {
        text += "\nVariables:\n";
        text += variables.Text();
    }
    return text;
}

BasicListing ListBasic(std::span<const std::uint8_t> data, std::size_t programLength) {
    BasicListing listing;
    const std::size_t split = std::min(programLength, data.size());
    listing.program = ListBasicProgram(data.first(split));
    listing.variables = ListBasicVariables(data.subspan(split));
    if (programLength > data.size()) {
        listing.program.problems.push_back("the header puts the variables at offset " +
                                           std::to_string(programLength) + ", past the " +
                                           std::to_string(data.size()) + " bytes of data");
    }
    return listing;
}

} // namespace bitreel::view
