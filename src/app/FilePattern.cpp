#include "app/FilePattern.h"

namespace bitreel {

std::string FilePatternFor(TapeLayout layout) {
    switch (layout) {
    case TapeLayout::AceJup:
        return "*.JUP;*.TZX";
    case TapeLayout::AceTap:
        return "*.TAP;*.DIC;*.BYT";
    case TapeLayout::SpectrumTap:
        break;
    }
    return "*.TAP;*.TZX;*.PZX";
}

} // namespace bitreel
