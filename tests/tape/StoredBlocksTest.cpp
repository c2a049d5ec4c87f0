#include "tape/Tape.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;
using test::TapeBuilder;

// What one block around a row should be; an empty row text means no block.
struct Expected {
    std::string row;
    bool header = false;
    ChecksumVerdict verdict = ChecksumVerdict::Good;
    Bytes bytes; // as stored; empty: not checked
};

struct RowCase {
    const char* name;
    Bytes tape;
    MachineKind machine;
    TapeLayout layout;
    std::size_t row;
    Expected before, at, after;
};

Expected Is(std::string row, bool header = false, ChecksumVerdict verdict = ChecksumVerdict::Good,
            Bytes bytes = {}) {
    return {std::move(row), header, verdict, std::move(bytes)};
}
const Expected None{};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kProgram = SpectrumHeader(0, "hello", 3, 10, 3);
const Bytes kProgramFrame = TapeBuilder().Block(0, kProgram).bytes();
const std::string kProgramRow = "Program     : hello      [Line=10, Vars Area=+3]";
const std::string kDictRow = "Dictionary  : words      [Length=3]";
constexpr auto Spectrum = MachineKind::Spectrum;
constexpr auto Ace = MachineKind::JupiterAce;
constexpr auto Damaged = ChecksumVerdict::Damaged;
constexpr auto Replaced = ChecksumVerdict::Replaced;
constexpr auto Good = ChecksumVerdict::Good;

const RowCase kRows[] = {
    {"HeaderHasItsDataAfterIt", TapeBuilder().Block(0, kProgram).Block(255, {1, 2, 3}).bytes(),
     Spectrum, TapeLayout::SpectrumTap, 0, None, Is(kProgramRow, true, Good, kProgramFrame),
     Is("{Data block [Length=3]}", false, Good, {5, 0, 255, 1, 2, 3, 0})},
    // The reader puts the computed checksum in; the stored one is kept.
    {"DamagedChecksumAsStored",
     TapeBuilder().Block(255, {1, 2}, 0x77).Block(255, {4}, 0x66).bytes(), Spectrum,
     TapeLayout::SpectrumTap, 0, None,
     Is("{Data block [Length=2]} (Invalid Checksum)", false, Damaged, {4, 0, 255, 1, 2, 0x77}),
     Is("{Data block [Length=1]} (Invalid Checksum)", false, Damaged, {3, 0, 255, 4, 0x66})},
    {"ChecksumOverFlagAsStored", TapeBuilder().Block(255, {1, 2}, 0xFC).bytes(), Spectrum,
     TapeLayout::SpectrumTap, 0, None,
     Is("{Data block [Length=2]}", false, Replaced, {4, 0, 255, 1, 2, 0xFC}), None},
    // A length beyond the file is a row of its own; the block two bytes on
    // still finds its own stored checksum.
    {"CorruptBlockCountsAsARow", TapeBuilder().Raw({1, 1}).Block(255, {4, 5}, 0x55).bytes(),
     Spectrum, TapeLayout::SpectrumTap, 1, Is("Corrupt block", false, Damaged),
     Is("{Data block [Length=2]} (Invalid Checksum)", false, Damaged, {4, 0, 255, 4, 5, 0x55}),
     None},
    // Ace TAP: headers and data alternate, each with the flag supplied.
    {"AceTapAlternates",
     TapeBuilder()
         .AceTapBlock(AceHeader(0, "words", 3))
         .AceTapBlock({1, 2, 3})
         .AceTapBlock(AceHeader(0, "words", 3))
         .bytes(),
     Ace, TapeLayout::AceTap, 1, Is(kDictRow, true),
     Is("{Data block [Length=3]}", false, Good, {5, 0, 255, 1, 2, 3, 0}), Is(kDictRow, true)},
    // The supplied flag is covered by no stored checksum: flag XOR payload
    // stored in an Ace TAP block is damage, and stays as stored.
    {"AceTapChecksumAsStored",
     TapeBuilder().AceTapBlock(AceHeader(0, "words", 3)).Length(3).Raw({1, 2, 0xFC}).bytes(), Ace,
     TapeLayout::AceTap, 1, Is(kDictRow, true),
     Is("{Data block [Length=2]} (Invalid Checksum)", false, Damaged, {4, 0, 255, 1, 2, 0xFC}),
     None},
    {"AceJupHeaderByItsShape",
     TapeBuilder().Block(0, AceHeader(0, "words", 3)).Block(255, {1, 2, 3}).bytes(), Ace,
     TapeLayout::AceJup, 0, None, Is(kDictRow, true), Is("{Data block [Length=3]}")},
    {"RowPastTheEnd", TapeBuilder().Block(255, {1}).bytes(), Spectrum, TapeLayout::SpectrumTap, 1,
     None, None, None},
};

// The block of a row of the image, checked against what it should be; no
// row at all when the expected row text is empty.
void ExpectBlock(const TapeImage& image, std::size_t row, bool exists, const Expected& expected,
                 const char* which) {
    SCOPED_TRACE(which);
    if (expected.row.empty()) {
        EXPECT_FALSE(exists && row < image.RowCount());
        return;
    }
    ASSERT_LT(row, image.RowCount());
    const ImageBlock block = image.Block(row);
    EXPECT_EQ(block.row, expected.row);
    EXPECT_EQ(block.headerPlace, expected.header);
    EXPECT_EQ(block.verdict, expected.verdict);
    if (!expected.bytes.empty()) {
        EXPECT_EQ(block.stored, expected.bytes);
    }
}

class StoredBlocksOf : public testing::TestWithParam<RowCase> {};

TEST_P(StoredBlocksOf, GivesTheBlocksAsStored) {
    const RowCase& c = GetParam();
    const TapeImage image =
        TapeImage(c.tape, ImageFormat::Blocks, c.machine, c.layout, true).IndexAll();
    const bool at = c.row < image.RowCount();
    ExpectBlock(image, c.row - 1, at && c.row > 0, c.before, "before");
    ExpectBlock(image, c.row, true, c.at, "at");
    ExpectBlock(image, c.row + 1, at, c.after, "after");
}

INSTANTIATE_TEST_SUITE_P(Tapes, StoredBlocksOf, testing::ValuesIn(kRows), test::ByName());

// The blocks of a real image, as stored, put together give the file again.
TEST(StoredBlocks, GiveTheFileAgainOnTheCorpus) {
    const struct {
        const char* file;
        MachineKind machine;
        TapeLayout layout;
    } images[] = {{"spectrum/savetap_test.tap", Spectrum, TapeLayout::SpectrumTap},
                  {"spectrum/z80_test_1_tap.tap", Spectrum, TapeLayout::SpectrumTap},
                  {"ace/test.tap", Ace, TapeLayout::AceTap},
                  {"ace/D.TAP", Ace, TapeLayout::AceJup}};
    for (const auto& image : images) {
        SCOPED_TRACE(image.file);
        const fs::path path = fs::path(BITREEL_CORPUS_DIR) / image.file;
        ASSERT_TRUE(fs::exists(path)) << "corpus not found at " << path;
        const TapeImage tape = TapeImage(path, image.machine, image.layout).IndexAll();
        Bytes joined;
        for (std::size_t row = 0; row < tape.RowCount(); ++row) {
            const ImageBlock block = tape.Block(row);
            EXPECT_EQ(block.row, tape.Row(row));
            joined.insert(joined.end(), block.stored.begin(), block.stored.end());
        }
        if (image.layout != TapeLayout::AceTap) {
            EXPECT_EQ(joined, test::ReadFileBytes(path));
        }
    }
}

} // namespace
} // namespace bitreel
