#pragma once

#include "tape/TapeLayout.h"

#include <string_view>

namespace bitreel::cli {

// "spectrum-tap", "ace-tap", "ace-jup": how the listing names a layout.
[[nodiscard]] constexpr std::string_view LayoutName(TapeLayout layout) noexcept {
    switch (layout) {
    case TapeLayout::SpectrumTap:
        return "spectrum-tap";
    case TapeLayout::AceTap:
        return "ace-tap";
    case TapeLayout::AceJup:
        return "ace-jup";
    }
    return "spectrum-tap";
}

} // namespace bitreel::cli
