#include "tape/HexText.h"

#include <cstdio>

namespace bitreel {

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

} // namespace bitreel
