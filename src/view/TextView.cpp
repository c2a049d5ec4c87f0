#include "view/TextView.h"

namespace bitreel::view {

std::string TextView::Text() const {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    for (const auto& problem : problems) {
        text += "! ";
        text += problem;
        text += '\n';
    }
    return text;
}

} // namespace bitreel::view
