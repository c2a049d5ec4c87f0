// Jupiter Ace TAP to JUP and back, and the machine a file's name suggests.
#include "tape/Conversion.h"
#include "tape/TapeChoice.h"
#include "tape/formats/BlockReader.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::AceHeader;
using test::Bytes;
using test::TapeBuilder;

struct ConversionCase {
    const char* name;
    Bytes tap;
    Bytes jup;
    int blocks;
    std::optional<int> corrupt;
    bool stray;
};

const ConversionCase kConversions[] = {
    {"HeaderAndData",
     {3, 0, 7, 8, 15, 2, 0, 1, 1},
     {4, 0, 0, 7, 8, 15, 3, 0, 255, 1, 1},
     2,
     {},
     false},
    // A checksum that does not fit is carried as it stands, both ways.
    {"WrongChecksumKept", {2, 0, 5, 99}, {3, 0, 0, 5, 99}, 1, {}, false},
    {"EmptyBlockGetsOnlyAFlag", {0, 0, 1, 0, 0}, {1, 0, 0, 2, 0, 255, 0}, 2, {}, false},
    {"StrayByteLeftOut", {1, 0, 0, 9}, {2, 0, 0, 0}, 1, {}, true},
    {"BlockRunningPastTheEnd", {1, 0, 0, 9, 0}, {2, 0, 0, 0}, 1, 1, false},
};

class AceConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(AceConversionTest, TapToJupAddsFlagsAndBackDropsThem) {
    const ConversionCase& c = GetParam();
    const AceConversion jup = AceTapToJup(c.tap);
    EXPECT_EQ(jup.bytes, c.jup);
    EXPECT_EQ(jup.blocks, c.blocks);
    EXPECT_EQ(jup.corruptBlock, c.corrupt);
    EXPECT_EQ(jup.strayByte, c.stray);
    if (!c.corrupt && !c.stray) {
        EXPECT_EQ(JupToAceTap(jup.bytes).bytes, c.tap);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, AceConversionTest, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AceConversion, ALengthThatCannotTakeTheFlagIsCorrupt) {
    Bytes tap{0xFF, 0xFF};
    tap.resize(2 + 0xFFFF, 0);
    const AceConversion jup = AceTapToJup(tap);
    EXPECT_EQ(jup.corruptBlock, 0);
    EXPECT_TRUE(jup.bytes.empty());
}

// The JUP written is what Play would send from the TAP file, checksum aside.
TEST(AceConversion, JupHoldsTheFramesPlayWouldSend) {
    const Bytes tap = TapeBuilder()
                          .AceTapBlock(AceHeader(0, "words", 3))
                          .AceTapBlock({1, 2, 3})
                          .AceTapBlock(AceHeader(32, "more", 1))
                          .AceTapBlock({4})
                          .bytes();
    const AceConversion jup = AceTapToJup(tap);
    TapeFile file = TapeFile::FromBytes(tap);
    Bytes frames;
    TapeBlock block;
    for (bool header = true;
         ReadBlock(file, block, TapeLayout::AceTap, header) && block.Length >= 0;
         header = !header) {
        frames.insert(frames.end(), block.Bytes.begin(), block.Bytes.end());
    }
    EXPECT_EQ(jup.bytes, frames);
    EXPECT_EQ(JupToAceTap(jup.bytes).bytes, tap);
}

TEST(AceConversion, EveryCorpusAceFileComesBackByteIdentical) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "ace")) {
        const Bytes tap = test::ReadFileBytes(entry.path());
        const AceConversion jup = AceTapToJup(tap);
        ASSERT_FALSE(jup.corruptBlock) << entry.path();
        EXPECT_EQ(JupToAceTap(jup.bytes).bytes, tap) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 5);
}

TEST(TapeChoice, TheNameSuggestsMachineAndLayout) {
    const struct {
        const char* name;
        TapeChoice choice;
        TapeLayout aceLayout;
    } cases[] = {
        {"GAME.TAP", {}, TapeLayout::AceTap},
        {"game.tap", {}, TapeLayout::AceTap},
        {"FORTH.JUP", {MachineKind::JupiterAce, TapeLayout::AceJup}, TapeLayout::AceJup},
        {"forth.Jup", {MachineKind::JupiterAce, TapeLayout::AceJup}, TapeLayout::AceJup},
        {"WORDS.DIC", {MachineKind::JupiterAce, TapeLayout::AceTap}, TapeLayout::AceTap},
        {"dir/code.byt", {MachineKind::JupiterAce, TapeLayout::AceTap}, TapeLayout::AceTap},
        {"NOTES.TXT", {}, TapeLayout::AceJup},
        {"JUP", {}, TapeLayout::AceJup},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChoiceForName(c.name), c.choice) << c.name;
        EXPECT_EQ(AceLayoutForName(c.name), c.aceLayout) << c.name;
    }
}

} // namespace
} // namespace bitreel
