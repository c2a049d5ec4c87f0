// Chooses a machine and layout from a tape image's name.
#include "tape/TapeChoice.h"

#include <string>

namespace bitreel {

std::string UpperExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return extension;
}

TapeChoice ChoiceForName(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".JUP") {
        return {MachineKind::JupiterAce, TapeLayout::AceJup};
    }
    if (extension == ".DIC" || extension == ".BYT") {
        return {MachineKind::JupiterAce, TapeLayout::AceTap};
    }
    return {};
}

TapeLayout AceLayoutForName(const std::filesystem::path& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".TAP" || extension == ".DIC" || extension == ".BYT") {
        return TapeLayout::AceTap;
    }
    return TapeLayout::AceJup;
}

} // namespace bitreel
