#include "view/screen/ScreenImage.h"

#include <stdexcept>
#include <string>

namespace bitreel::view {

namespace {

constexpr int kWidth = 256;
constexpr int kHeight = 192;
constexpr std::size_t kPixelBytes = 6144;

} // namespace

std::uint32_t SpectrumColour(int index, bool bright) noexcept {
    const std::uint32_t level = bright ? 0xFF : 0xD7;
    const std::uint32_t blue = (index & 1) != 0 ? level : 0;
    const std::uint32_t red = (index & 2) != 0 ? level : 0;
    const std::uint32_t green = (index & 4) != 0 ? level : 0;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

std::optional<ScreenImage> RenderScreen(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != ScreenBytes) {
        return std::nullopt;
    }
    ScreenImage image{kWidth, kHeight, std::vector<std::uint32_t>(kWidth * kHeight)};
    for (int y = 0; y < kHeight; ++y) {
        // y is 2 bits of third, 3 of character row, 3 of pixel line; memory
        // orders them third, pixel line, character row.
        const auto row =
            static_cast<std::size_t>(((y & 0xC0) << 5) | ((y & 0x07) << 8) | ((y & 0x38) << 2));
        const std::size_t attributes = kPixelBytes + static_cast<std::size_t>(y / 8) * 32;
        for (int column = 0; column < 32; ++column) {
            const std::uint8_t pixels = bytes[row + static_cast<std::size_t>(column)];
            const std::uint8_t attribute = bytes[attributes + static_cast<std::size_t>(column)];
            const bool bright = (attribute & 0x40) != 0;
            const std::uint32_t ink = SpectrumColour(attribute & 0x07, bright);
            const std::uint32_t paper = SpectrumColour((attribute >> 3) & 0x07, bright);
            std::uint32_t* out = &image.pixels[static_cast<std::size_t>(y * kWidth + column * 8)];
            for (int bit = 0; bit < 8; ++bit) {
                out[bit] = (pixels & (0x80 >> bit)) != 0 ? ink : paper;
            }
        }
    }
    return image;
}

ScreenImage ScaleImage(const ScreenImage& image, int factor) {
    if (factor < 1 || factor > 4) {
        throw std::invalid_argument("the screen scales by 1 to 4, not " + std::to_string(factor));
    }
    if (image.width < 0 || image.height < 0 ||
        image.pixels.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        throw std::invalid_argument("the image's pixels do not match its size");
    }
    ScreenImage scaled{image.width * factor, image.height * factor, {}};
    scaled.pixels.reserve(static_cast<std::size_t>(scaled.width) *
                          static_cast<std::size_t>(scaled.height));
    for (int y = 0; y < scaled.height; ++y) {
        for (int x = 0; x < scaled.width; ++x) {
            scaled.pixels.push_back(image.At(x / factor, y / factor));
        }
    }
    return scaled;
}

} // namespace bitreel::view
