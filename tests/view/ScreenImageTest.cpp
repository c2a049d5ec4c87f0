#include "view/screen/ScreenImage.h"

#include "support/TapeBuilder.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using bitreel::test::Bytes;
using namespace bitreel::view;

// Pixel bytes at known screen addresses and the pixels they light, worked
// out from the machine's memory map: each third of the screen holds the
// top lines of its 8 character rows, then their second lines, and so on.
struct PixelByte {
    std::size_t address; // from 16384
    std::uint8_t bits;
    std::vector<std::pair<int, int>> lit; // (x, y)
};

const PixelByte kPixels[] = {
    {0x0000, 0x80, {{0, 0}}},         // top left
    {0x0100, 0x01, {{7, 1}}},         // second line
    {0x0020, 0xC0, {{0, 8}, {1, 8}}}, // second character row
    {0x0800, 0xFF, {{0, 64}, {1, 64}, {2, 64}, {3, 64}, {4, 64}, {5, 64}, {6, 64}, {7, 64}}},
    {0x0A43, 0x10, {{27, 82}}},   // middle third, inside
    {0x17FF, 0x01, {{255, 191}}}, // bottom right
};

// Cells with attributes of their own and the colours they must show.
struct Cell {
    int column;
    int row;
    std::uint8_t attribute;
    std::uint32_t ink;
    std::uint32_t paper;
};

constexpr std::uint8_t kDefaultAttribute = 0x38; // black ink on white paper
constexpr std::uint32_t kBlack = 0xFF000000;
constexpr std::uint32_t kWhite = 0xFFD7D7D7;

const Cell kCells[] = {
    {0, 0, 0x40 | (5 << 3) | 2, 0xFFFF0000, 0xFF00FFFF},   // bright: red on cyan
    {3, 10, (4 << 3) | 3, 0xFFD700D7, 0xFF00D700},         // magenta on green
    {31, 23, 0x80 | (1 << 3) | 6, 0xFFD7D700, 0xFF0000D7}, // flashing: yellow on blue, steady
};

TEST(RenderScreen, PutsEveryPixelWhereTheMachineShowsIt) {
    Bytes screen(ScreenBytes, 0);
    for (const auto& p : kPixels) {
        screen[p.address] = p.bits;
    }
    std::fill(screen.begin() + 6144, screen.end(), kDefaultAttribute);
    for (const auto& c : kCells) {
        screen[6144 + static_cast<std::size_t>(c.row * 32 + c.column)] = c.attribute;
    }
    std::set<std::pair<int, int>> lit;
    for (const auto& p : kPixels) {
        lit.insert(p.lit.begin(), p.lit.end());
    }

    const auto image = RenderScreen(screen);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 256);
    ASSERT_EQ(image->height, 192);
    ASSERT_EQ(image->pixels.size(), 256u * 192u);
    int mismatches = 0;
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 256; ++x) {
            std::uint32_t ink = kBlack;
            std::uint32_t paper = kWhite;
            for (const auto& c : kCells) {
                if (c.column == x / 8 && c.row == y / 8) {
                    ink = c.ink;
                    paper = c.paper;
                }
            }
            const std::uint32_t expected = lit.count({x, y}) != 0 ? ink : paper;
            if (image->At(x, y) != expected && ++mismatches <= 10) {
                ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex
                              << image->At(x, y) << ", not " << expected;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(RenderScreen, NeedsExactlyTheScreensBytes) {
    for (const std::size_t size :
         {std::size_t{0}, ScreenBytes - 1, ScreenBytes + 1, std::size_t{6144}}) {
        EXPECT_FALSE(RenderScreen(Bytes(size, 0)).has_value()) << size;
    }
}

TEST(ScaleImage, MakesEachPixelASquare) {
    const ScreenImage image{2, 1, {0xFF000001, 0xFF000002}};
    for (int factor = 1; factor <= 4; ++factor) {
        const auto scaled = ScaleImage(image, factor);
        ASSERT_EQ(scaled.width, 2 * factor);
        ASSERT_EQ(scaled.height, factor);
        for (int y = 0; y < factor; ++y) {
            for (int x = 0; x < 2 * factor; ++x) {
                EXPECT_EQ(scaled.At(x, y), x < factor ? 0xFF000001u : 0xFF000002u);
            }
        }
    }
    EXPECT_THROW((void)ScaleImage(image, 0), std::invalid_argument);
    EXPECT_THROW((void)ScaleImage(image, 5), std::invalid_argument);
    EXPECT_THROW((void)ScaleImage(ScreenImage{3, 3, {1}}, 2), std::invalid_argument);
}

} // namespace
