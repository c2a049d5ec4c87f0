#include "app/window/WindowCaption.h"

namespace bitreel {

std::string WindowCaption(int major, int minor) {
    std::string minorText = std::to_string(minor);
    if (minorText.size() < 2) {
        minorText.insert(0, 2 - minorText.size(), '0');
    }
    return "Bitreel V" + std::to_string(major) + "." + minorText;
}

} // namespace bitreel
