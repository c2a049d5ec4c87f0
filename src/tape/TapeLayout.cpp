#include "tape/TapeLayout.h"

namespace bitreel {

TapeLayout LayoutInForce(MachineKind machine, std::string_view formatText) {
    if (machine == MachineKind::Spectrum) {
        return TapeLayout::SpectrumTap;
    }
    return formatText == "TAP" ? TapeLayout::AceTap : TapeLayout::AceJup;
}

bool IsTapFile(std::string_view path) {
    if (path.size() < 3) {
        return false;
    }
    constexpr std::string_view tap = "TAP";
    const std::string_view last = path.substr(path.size() - 3);
    for (std::size_t i = 0; i < 3; ++i) {
        char c = last[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != tap[i]) {
            return false;
        }
    }
    return true;
}

} // namespace bitreel
