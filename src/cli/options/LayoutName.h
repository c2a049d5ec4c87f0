#pragma once

#include "tape/TapeLayout.h"

#include <array>
#include <string_view>

namespace bitreel::cli {

// "spectrum-tap", "ace-tap", "ace-jup": how the listing names a layout.
[[nodiscard]] constexpr std::string_view LayoutName(TapeLayout layout) noexcept {
    // In the order of TapeLayout.
    constexpr std::array<std::string_view, 3> Names = {"spectrum-tap", "ace-tap", "ace-jup"};
    return Names.at(static_cast<std::size_t>(layout));
}

} // namespace bitreel::cli
