#include "app/browser/FilePattern.h"

namespace bitreel {

std::string FilePatternFor(TapeLayout layout) {
    switch (layout) {
    case TapeLayout::AceJup:
        return "*.JUP;*.TZX;*.WAV;*.FLAC;*.CSW";
    case TapeLayout::AceTap:
        return "*.TAP;*.DIC;*.BYT";
    case TapeLayout::SpectrumTap:
        break;
    }
    return "*.TAP;*.TZX;*.PZX;*.WAV;*.FLAC;*.CSW;*.Z80;*.SNA;*.SZX";
}

} // namespace bitreel
