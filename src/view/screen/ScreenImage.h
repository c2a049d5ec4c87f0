#pragma once

// The Spectrum's screen memory as a picture: a loading screen saved as
// 6912 bytes (SCREEN$, or CODE 16384,6912).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bitreel::view {

inline constexpr std::size_t ScreenBytes = 6912;
inline constexpr std::uint16_t ScreenAddress = 16384;

// Pixels row by row from the top left, each 0xFFRRGGBB (the layout of an
// opaque 32-bit ARGB image).
struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    [[nodiscard]] std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// The 8 colours (index: bit 0 blue, bit 1 red, bit 2 green), plain or bright.
[[nodiscard]] std::uint32_t SpectrumColour(int index, bool bright) noexcept;

// The 256x192 picture of 6912 bytes of screen memory: 6144 bytes of pixels,
// each third of the screen holding its 8 character rows' top pixel lines
// first, then their second lines and so on; then 768 attribute bytes, one
// per 8x8 cell (ink bits 0-2, paper bits 3-5, bright bit 6, flash bit 7).
// Flashing cells show steady, ink as ink. No value unless the bytes are
// exactly 6912.
[[nodiscard]] std::optional<ScreenImage> RenderScreen(std::span<const std::uint8_t> bytes);

// The image scaled up by a whole factor of 1 to 4, each pixel a square of
// factor x factor. Throws std::invalid_argument for any other factor.
[[nodiscard]] ScreenImage ScaleImage(const ScreenImage& image, int factor);

} // namespace bitreel::view
