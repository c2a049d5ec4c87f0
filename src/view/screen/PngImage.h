#pragma once

#include "view/screen/ScreenImage.h"

#include <cstdint>
#include <vector>

namespace bitreel::view {

// The picture as the bytes of a PNG file (8-bit RGB), for `view --png` and
// the inspector's Save PNG alike. Throws std::runtime_error when libpng
// cannot make it.
[[nodiscard]] std::vector<std::uint8_t> EncodePng(const ScreenImage& image);

} // namespace bitreel::view
