// The on-demand contents list against LoadContents, which keeps every row.
#include "tape/Tape.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;
using test::TapeBuilder;
using Rows = std::vector<std::string>;

struct Reading {
    MachineKind machine;
    TapeLayout layout;
};

const Reading kReadings[] = {
    {MachineKind::Spectrum, TapeLayout::SpectrumTap},
    {MachineKind::JupiterAce, TapeLayout::AceTap},
    {MachineKind::JupiterAce, TapeLayout::AceJup},
};

// Indexes in steps of `step` blocks, as the window does between yields, and
// compares every row and the final ExpectHeader with LoadContents.
void ExpectRowsOfToday(const fs::path& path, std::size_t step) {
    for (const Reading& r : kReadings) {
        SCOPED_TRACE(testing::Message() << path.filename() << " layout "
                                        << static_cast<int>(r.layout) << " step " << step);
        bool expectHeader = false;
        const Rows today = LoadContents(path, r.machine, r.layout, expectHeader);
        TapeImage index(path, r.machine, r.layout);
        while (!index.Advance(step)) {
        }
        Rows rows;
        for (std::size_t k = 0; k < index.RowCount(); ++k) {
            rows.push_back(index.Row(k));
        }
        EXPECT_EQ(rows, today);
        EXPECT_EQ(index.ExpectHeader(), expectHeader);
        const auto widest = std::max_element(today.begin(), today.end(),
                                             [](auto& a, auto& b) { return a.size() < b.size(); });
        EXPECT_EQ(index.WidestRow(),
                  widest == today.end() ? 0 : static_cast<std::size_t>(widest - today.begin()));
    }
}

TEST(TapeImage, GivesTheRowsOfEveryCorpusImage) {
    const fs::path corpus(BITREEL_CORPUS_DIR);
    if (!fs::exists(corpus)) {
        GTEST_SKIP() << "corpus not found at " << corpus;
    }
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (entry.is_regular_file() && IsTapPath(entry.path())) {
            ExpectRowsOfToday(entry.path(), 1);
            ++files;
        }
    }
    EXPECT_GT(files, 10);
}

// Well-formed blocks of both machines, then damage: bytes changed, a cut end,
// stray length fields, empty blocks, lengths past the end.
Bytes DamagedTape(std::mt19937& random) {
    TapeBuilder tape;
    std::uniform_int_distribution<int> pick(0, 7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 40; ++i) {
        switch (pick(random)) {
        case 0:
            tape.Block(0, SpectrumHeader(byte(random) % 5, "prog", 300, 10, 200));
            break;
        case 1:
            tape.AceTapBlock(AceHeader(byte(random) % 2 == 0 ? 0 : 32, "dict", 20));
            break;
        case 2:
            tape.Block(0, AceHeader(0, "word", 5));
            break;
        case 3:
            tape.Length(0);
            break;
        case 4:
            tape.Length(static_cast<unsigned>(byte(random) * 256 + byte(random)));
            break;
        case 5:
            tape.Raw({byte(random)});
            break;
        default:
            tape.Block(static_cast<std::uint8_t>(byte(random) < 200 ? 255 : byte(random)),
                       Bytes(static_cast<std::size_t>(byte(random)), 7),
                       static_cast<std::uint8_t>(byte(random)));
        }
    }
    Bytes bytes = tape.bytes();
    for (int i = 0; i < 5; ++i) {
        bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random)] =
            static_cast<std::uint8_t>(byte(random));
    }
    bytes.resize(
        std::uniform_int_distribution<std::size_t>(bytes.size() / 2, bytes.size())(random));
    return bytes;
}

TEST(TapeImage, GivesTheRowsOfDamagedImages) {
    const test::TempDir dir;
    std::mt19937 random(8);
    for (int i = 0; i < 60; ++i) {
        // Every other one named so that the Jupiter Ace rules alternate by name.
        const fs::path path = dir / (std::to_string(i) + (i % 2 == 0 ? ".TAP" : ".JUP"));
        TapeBuilder().Raw(DamagedTape(random)).WriteTo(path);
        ExpectRowsOfToday(path, 1 + static_cast<std::size_t>(i % 4) * 3);
    }
}

TEST(TapeImage, GivesTheRowsOfManyEmptyBlocks) {
    const test::TempDir dir;
    TapeBuilder().Raw(Bytes(400'000, 0)).Raw({1}).WriteTo(dir / "ZERO.TAP");
    ExpectRowsOfToday(dir / "ZERO.TAP", 65'536);
}

// The window's own test shows the reasons of the other files it cannot list.
TEST(TapeImage, ListsFilesUpToTheLargestSize) {
    const test::TempDir dir;
    TapeBuilder().WriteTo(dir / "LARGEST.TAP");
    fs::resize_file(dir / "LARGEST.TAP", TapeImage::MaxFileSize); // sparse: nothing written
    EXPECT_FALSE(
        TapeImage(dir / "LARGEST.TAP", MachineKind::Spectrum, TapeLayout::SpectrumTap).Complete());
    fs::resize_file(dir / "LARGEST.TAP", TapeImage::MaxFileSize + 1);
    try {
        TapeImage(dir / "LARGEST.TAP", MachineKind::Spectrum, TapeLayout::SpectrumTap);
        ADD_FAILURE() << "listed a file over the largest size";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code().value(), EFBIG);
    }
}

} // namespace
} // namespace bitreel
