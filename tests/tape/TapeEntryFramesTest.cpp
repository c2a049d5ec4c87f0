// The frames of TZX and PZX data blocks against the same blocks read from a
// TAP file, and the choice of reader by the file's name.
#include "tape/Tape.h"

#include "support/ImageEntries.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bitreel {
namespace {

using test::Bytes;
using test::PzxBuilder;
using test::SpectrumHeader;
using test::TapeBuilder;
using test::TzxBuilder;

struct BlockCase {
    const char* name;
    Bytes tapBlock; // one block of a Spectrum TAP file, length field first
};

void PrintTo(const BlockCase& c, std::ostream* os) {
    *os << c.name;
}

const BlockCase kBlocks[] = {
    {"Header", TapeBuilder().Block(0, SpectrumHeader(0, "hello", 5, 32768, 5)).bytes()},
    // Stored with the checksum over flag and payload: read as a bad checksum,
    // with the payload's XOR in its place.
    {"DataWithFlagInChecksum",
     TapeBuilder().Block(255, {1, 2, 3}, static_cast<std::uint8_t>(255 ^ 1 ^ 2 ^ 3)).bytes()},
    // Fits neither rule: listed as damaged.
    {"DamagedData", TapeBuilder().Block(255, {1, 2, 3}, 0x55).bytes()},
    {"CustomFlag", TapeBuilder().Block(0x42, {9}).bytes()},
    {"FlagAndChecksumOnly", TapeBuilder().Block(255, {}).bytes()},
    {"OneByte", TapeBuilder().Length(1).Raw({7}).bytes()},
    {"Empty", TapeBuilder().Length(0).bytes()},
    {"HeaderLengthOtherFlag", TapeBuilder().Block(1, Bytes(17, 0x41)).bytes()},
};

class FrameTest : public testing::TestWithParam<BlockCase> {};

void ExpectSameBlock(const test::Entry& entry, const TapeBlock& tap, const std::string& tapRow,
                     bool turbo) {
    EXPECT_EQ(entry.Kind, EntryKind::Frame);
    EXPECT_EQ(entry.Block.Bytes, tap.Bytes);
    EXPECT_EQ(entry.Block.Length, tap.Length);
    EXPECT_EQ(entry.Block.BadChecksum, tap.BadChecksum);
    EXPECT_EQ(entry.Block.Verdict, tap.Verdict);
    EXPECT_EQ(entry.Turbo, turbo);
    EXPECT_EQ(entry.Row, turbo ? tapRow + " (turbo)" : tapRow);
}

TEST_P(FrameTest, EveryDataBlockIsTheFrameOfTheSameTapBlock) {
    const Bytes& tapBytes = GetParam().tapBlock;
    auto tapFile = TapeFile::FromBytes(tapBytes);
    TapeBlock tap;
    ASSERT_TRUE(ReadBlock(tapFile, tap, TapeLayout::SpectrumTap, true));
    bool expectHeader = true;
    const std::string tapRow = ContentsRow(tap, MachineKind::Spectrum, true, expectHeader);

    const Bytes data(tapBytes.begin() + 2, tapBytes.end());
    const test::Entries tzx =
        test::ReadTzx(TzxBuilder().Standard(data).Turbo(data).PureData(data).bytes());
    const test::Entries pzx = test::ReadPzx(
        PzxBuilder().Data(data).Data(data, 0xFFFFFFFF, {600, 600}, {1200, 1200}).bytes());
    ASSERT_EQ(tzx.size(), 3u);
    ASSERT_EQ(pzx.size(), 3u);
    ExpectSameBlock(tzx[0], tap, tapRow, false);
    ExpectSameBlock(tzx[1], tap, tapRow, true);
    ExpectSameBlock(tzx[2], tap, tapRow, true);
    ExpectSameBlock(pzx[1], tap, tapRow, false);
    ExpectSameBlock(pzx[2], tap, tapRow, true);
}

INSTANTIATE_TEST_SUITE_P(TapBlocks, FrameTest, testing::ValuesIn(kBlocks), test::ByName{});

struct NameCase {
    const char* name;
    MachineKind machine;
    ImageFormat format;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

const NameCase kNames[] = {
    {"GAME.TZX", MachineKind::Spectrum, ImageFormat::Tzx},
    {"game.tzx", MachineKind::Spectrum, ImageFormat::Tzx},
    {"Game.Pzx", MachineKind::Spectrum, ImageFormat::Pzx},
    {"GAME.TAP", MachineKind::Spectrum, ImageFormat::Blocks},
    {"GAMETZX", MachineKind::Spectrum, ImageFormat::Blocks},
    {"GAME.TZX.TAP", MachineKind::Spectrum, ImageFormat::Blocks},
    {"GAME.TZX ", MachineKind::Spectrum, ImageFormat::Blocks},
    {"ace.tzx", MachineKind::JupiterAce, ImageFormat::Tzx},
    {"ace.pzx", MachineKind::JupiterAce, ImageFormat::Blocks},
};

class ImageFormatTest : public testing::TestWithParam<NameCase> {};

TEST_P(ImageFormatTest, TheNamePicksTheReader) {
    EXPECT_EQ(ImageFormatOf(GetParam().name, GetParam().machine), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Names, ImageFormatTest, testing::ValuesIn(kNames), test::ByName{});

// The same bytes list by the reader the name picks.
TEST(LoadImageContentsTest, TheNameDecidesHowTheBytesAreRead) {
    const test::TempDir dir;
    const Bytes tap = TapeBuilder().Block(255, {1, 2}).bytes();
    const TzxBuilder tzx = TzxBuilder().Standard(Bytes(tap.begin() + 2, tap.end())).Pause(0);
    tzx.WriteTo(dir / "GAME.TZX");
    tzx.WriteTo(dir / "game.tap");
    test::TapeBuilder().Raw(tap).WriteTo(dir / "plain.tzx");
    bool expectHeader = false;
    using Rows = std::vector<std::string>;
    const auto load = [&](const char* name, MachineKind machine) {
        return LoadContents(dir / name, machine, TapeLayout::SpectrumTap, expectHeader);
    };
    EXPECT_EQ(load("GAME.TZX", MachineKind::Spectrum),
              (Rows{"{Data block [Length=2]}", "Stop tape"}));
    EXPECT_TRUE(expectHeader);
    // A TAP file with TZX bytes in it: read by the TAP rules, length field
    // "ZX" first, as ever.
    EXPECT_EQ(load("game.tap", MachineKind::Spectrum),
              LoadContents(dir / "game.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap,
                           expectHeader));
    EXPECT_EQ(load("plain.tzx", MachineKind::Spectrum), Rows{"Corrupt block"});
    const auto image = [&](const char* name) {
        return TapeImage(dir / name, MachineKind::Spectrum, TapeLayout::SpectrumTap).IndexAll();
    };
    EXPECT_FALSE(image("plain.tzx").Playable());
    EXPECT_TRUE(image("GAME.TZX").Playable());
    EXPECT_EQ(image("game.tap").Format(), ImageFormat::Blocks);
    EXPECT_THROW((void)image("missing.tzx"), std::system_error);
}

// A TZX image is a Jupiter Ace tape by its hardware block or by its first
// data block; its frames are then the JUP file's.
TEST(AceTzx, ToldByItsContentAndSentAsTheJupFile) {
    const Bytes jup = TapeBuilder()
                          .Block(0, test::AceHeader(0, "words", 3))
                          .Block(255, {1, 2, 3})
                          .Block(255, {4}, 0x99)
                          .bytes();
    const Bytes spectrumHeader = test::DataBytes(0, SpectrumHeader(0, "game", 3, 10, 3));
    const struct {
        const char* name;
        Bytes tzx;
        std::optional<bool> ace;
    } cases[] = {
        {"archive", test::AceTzxOf(jup, test::AceTzxShape::Archive), true},
        {"no hardware block", test::AceTzxOf(jup, test::AceTzxShape::NoHardware), true},
        {"turbo first", test::AceTzxOf(jup, test::AceTzxShape::TurboFirst), true},
        {"hardware only", TzxBuilder().Text("x").AceHardware().Standard(spectrumHeader).bytes(),
         true},
        {"spectrum header first", TzxBuilder().Hardware(3).Standard(spectrumHeader).bytes(), false},
        {"ace header as data", TzxBuilder().Standard(test::DataBytes(255, Bytes(25, 0))).bytes(),
         false},
        {"no data block", TzxBuilder().Text("Jupiter ACE Archive").bytes(), false},
        {"hardware it does not run on",
         TzxBuilder().Raw({0x33, 1, 0, 0x1A, 3}).Standard(spectrumHeader).bytes(), false},
        {"ends before it tells", TzxBuilder().Text("Jupiter ACE Archive").Cut(3).bytes(),
         std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TzxReader::IsJupiterAceTape(c.tzx), c.ace) << c.name;
    }
    const TapeImage fromJup =
        TapeImage(jup, ImageFormat::Blocks, MachineKind::JupiterAce, TapeLayout::AceJup, false)
            .IndexAll();
    const TapeImage fromTzx = TapeImage(cases[0].tzx, ImageFormat::Tzx, MachineKind::JupiterAce,
                                        TapeLayout::AceJup, false)
                                  .IndexAll();
    ASSERT_EQ(fromTzx.RowCount(), fromJup.RowCount() + 2);
    for (std::size_t row = 0; row < fromJup.RowCount(); ++row) {
        EXPECT_EQ(fromTzx.Frame(row + 2).Bytes, fromJup.Frame(row).Bytes) << "row " << row;
        EXPECT_EQ(fromTzx.Block(row + 2).header, fromJup.Block(row).header) << "row " << row;
    }
}

} // namespace
} // namespace bitreel
