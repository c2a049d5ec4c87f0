#include "app/FilePattern.h"

namespace bitreel {

std::string FilePatternFor(MachineKind machine, std::string_view formatText) {
    if (machine == MachineKind::Spectrum) {
        return "*.TAP";
    }
    return formatText == "JUP" ? "*.JUP" : "*.TAP;*.DIC;*.BYT";
}

} // namespace bitreel
