#include "tape/Tape.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

struct FileCase {
    const char* name;
    const char* fileName;
    Bytes tape;
    MachineKind machine;
    TapeLayout layout;
    Rows rows;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

const Bytes kProgram = SpectrumHeader(0, "hello", 5, 10, 5);
constexpr auto SpectrumTap = TapeLayout::SpectrumTap;
constexpr auto AceTap = TapeLayout::AceTap;
constexpr auto AceJup = TapeLayout::AceJup;
constexpr auto Spectrum = MachineKind::Spectrum;
constexpr auto Ace = MachineKind::JupiterAce;

const FileCase kFiles[] = {
    {"EmptyFile", "EMPTY.TAP", {}, Spectrum, SpectrumTap, {}},
    {"HeaderAndData",
     "TWO.TAP",
     TapeBuilder().Block(0, kProgram).Block(255, Bytes(5, 1)).bytes(),
     Spectrum,
     SpectrumTap,
     {"Program     : hello      [Line=10, Vars Area=+5]", "{Data block [Length=5]}"}},
    {"StrayLastByteGivesNoRow",
     "STRAY.TAP",
     TapeBuilder().Block(255, {1, 2}).Raw({7}).bytes(),
     Spectrum,
     SpectrumTap,
     {"{Data block [Length=2]}"}},
    {"EmptyBlockBetweenTwo",
     "GAP.TAP",
     TapeBuilder().Block(255, {1}).Length(0).Block(255, {2, 3}).bytes(),
     Spectrum,
     SpectrumTap,
     {"{Data block [Length=1]}", "Empty block [Length=0]", "{Data block [Length=2]}"}},
    // 0x0101 is larger than the file: corrupt, then reading goes on two
    // bytes further, where a whole block starts.
    {"LengthPastEndThenReadingGoesOn",
     "LONG.TAP",
     TapeBuilder().Raw({1, 1}).Block(255, {4, 5, 6}).bytes(),
     Spectrum,
     SpectrumTap,
     {"Corrupt block", "{Data block [Length=3]}"}},
    {"FileEndsInsideBlock",
     "CUT.TAP",
     TapeBuilder().Block(255, {1}).Length(9).Raw({255, 1}).bytes(),
     Spectrum,
     SpectrumTap,
     {"{Data block [Length=1]}", "Corrupt block"}},
    // Saved with the flag in the checksum, saved by our rule, and damaged.
    {"SpectrumDamageShowsReplacedDoesNot",
     "MIXED.TAP",
     TapeBuilder()
         .Block(255, {1, 2}, 255 ^ 1 ^ 2)
         .Block(255, {1, 2})
         .Block(255, {1, 2}, 0x55)
         .Block(0, kProgram, 0x55)
         .bytes(),
     Spectrum,
     SpectrumTap,
     {"{Data block [Length=2]}", "{Data block [Length=2]}",
      "{Data block [Length=2]} (Invalid Checksum)",
      "Program     : hello      [Line=10, Vars Area=+5] (Invalid Checksum)"}},
    {"LowerCaseTapAlternates",
     "dict.tap",
     TapeBuilder().AceTapBlock(AceHeader(0, "dict", 3)).AceTapBlock({1, 2, 3}).bytes(),
     Ace,
     AceTap,
     {"Dictionary  : dict       [Length=3]", "{Data block [Length=3]}"}},
    {"AceTapTwoFilesAlternate",
     "TWO.TAP",
     TapeBuilder()
         .AceTapBlock(AceHeader(32, "a", 1))
         .AceTapBlock({9})
         .AceTapBlock(AceHeader(0, "b", 2))
         .AceTapBlock({1, 2})
         .bytes(),
     Ace,
     AceTap,
     {"Bytes       : a          [Length=1]", "{Data block [Length=1]}",
      "Dictionary  : b          [Length=2]", "{Data block [Length=2]}"}},
    // A .BYT file in the TAP layout: flags supplied by the reader, header by length.
    {"ByteFileInAceTapLayout",
     "GAME.BYT",
     TapeBuilder().AceTapBlock(AceHeader(32, "game", 2)).AceTapBlock({1, 2}).bytes(),
     Ace,
     AceTap,
     {"Bytes       : game       [Length=2]", "{Data block [Length=2]}"}},
    {"JupWithUnknownBlockAndBadChecksum",
     "GAME.JUP",
     TapeBuilder()
         .Block(7, {1, 2, 3})
         .Block(0, AceHeader(0, "game", 2))
         .Block(255, {1, 2}, 0x55)
         .bytes(),
     Ace,
     AceJup,
     {"Unknown block type [Length=5]", "Dictionary  : game       [Length=2]",
      "{Data block [Length=2]} (Invalid Checksum)"}},
    {"AceHeaderOfAnotherTypeKeepsRowsInStep",
     "ODD.JUP",
     TapeBuilder().Block(0, AceHeader(5, "odd", 1)).Block(255, {1}).bytes(),
     Ace,
     AceJup,
     {"Type 5      : odd        [Length=1]", "{Data block [Length=1]}"}},
};

class LoadContentsFiles : public testing::TestWithParam<FileCase> {};

TEST_P(LoadContentsFiles, GivesOneRowPerBlock) {
    const FileCase& c = GetParam();
    const test::TempDir dir;
    TapeBuilder().Raw(c.tape).WriteTo(dir / c.fileName);
    bool expectHeader = false;
    EXPECT_EQ(LoadContents(dir / c.fileName, c.machine, c.layout, expectHeader), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Files, LoadContentsFiles, testing::ValuesIn(kFiles), test::ByName());

TEST(LoadContents, StartsEveryFileExpectingAHeader) {
    // After a data block read as such, a TAP file's next block is a header.
    const test::TempDir dir;
    TapeBuilder().AceTapBlock({1, 2, 3}).WriteTo(dir / "ONE.TAP");
    bool expectHeader = false;
    const Rows rows = LoadContents(dir / "ONE.TAP", Ace, AceTap, expectHeader);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0], "Unknown block type [Length=5]"); // taken as a header, too short
    EXPECT_TRUE(expectHeader);
}

TEST(LoadContents, FileThatCannotBeOpenedThrows) {
    const test::TempDir dir;
    bool expectHeader = false;
    EXPECT_THROW((void)LoadContents(dir / "MISSING.TAP", Spectrum, SpectrumTap, expectHeader),
                 std::system_error);
    EXPECT_THROW((void)LoadContents(dir.path(), Spectrum, SpectrumTap, expectHeader),
                 std::system_error);
}

// Real images from public projects, kept in tests/data/corpus.
struct CorpusCase {
    const char* file;
    MachineKind machine;
    TapeLayout layout;
    Rows rows;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.file;
}

const CorpusCase kCorpus[] = {
    {"spectrum/outprefix.tap",
     Spectrum,
     SpectrumTap,
     {"Code        : out        [Start=32768, Length=4]", "{Data block [Length=4]}"}},
    {"spectrum/standard-tap.tap",
     Spectrum,
     SpectrumTap,
     {"Program     : Test       [Vars Area=12]", "{Data block [Length=12]}"}},
    {"spectrum/z80_test_1_tap.tap",
     Spectrum,
     SpectrumTap,
     {"Program     : testloader [Line=10, Vars Area=+86]", "{Data block [Length=86]}",
      "Code        : testcode   [Start=32768, Length=6447]", "{Data block [Length=6447]}"}},
    {"spectrum/savetap_test.tap",
     Spectrum,
     SpectrumTap,
     {"Program     : tstSAVETAP [Line=10, Vars Area=+72]", "{Data block [Length=72]}",
      "Code        : intro      [Start=16384, Length=6912]", "{Data block [Length=6912]}",
      "Code        : demo       [Start=32764, Length=64]", "{Data block [Length=64]}",
      "Number Array: n          [Variable=n()]", "{Data block [Length=8]}",
      "Char Array  : t$         [Variable=t$()]", "{Data block [Length=34]}",
      "Unknown block type [Length=34]", "Program     : No start   [Vars Area=72]",
      "{Data block [Length=72]}", "Number Array: n          [Variable=a()]",
      "{Data block [Length=8]}", "{Data block [Length=1]}",
      "Code        : _extra1    [Start=32768, Length=1]", "{Data block [Length=1]}"}},
    {"ace/AUTORUN.tap",
     Ace,
     AceTap,
     {"Bytes       : autorun    [Length=31]", "{Data block [Length=31]}",
      "Dictionary  : mainfile   [Length=51]", "{Data block [Length=51]}"}},
    {"ace/BIN.tap",
     Ace,
     AceTap,
     {"Bytes       : binary     [Length=30]", "{Data block [Length=30]}"}},
    {"ace/DICT.tap",
     Ace,
     AceTap,
     {"Dictionary  : dict       [Length=57]", "{Data block [Length=57]}"}},
    {"ace/test.tap",
     Ace,
     AceTap,
     {"Dictionary  : test       [Length=31]", "{Data block [Length=31]}",
      "Dictionary  : test2      [Length=32]", "{Data block [Length=32]}"}},
    // Stored with their flags: read in the JUP layout they list cleanly.
    {"ace/D.TAP",
     Ace,
     AceJup,
     {"Bytes       : D          [Length=11264]", "{Data block [Length=11264]}"}},
    {"ace/EXEC.TAP",
     Ace,
     AceJup,
     {"Bytes       : exec       [Length=23]", "{Data block [Length=23]}"}},
    // A header without its type byte: the name's first letter is read as the type.
    {"ace/hello_ace.TAP",
     Ace,
     AceTap,
     {"Type 104    : ello     \x18 [Length=20736]", "{Data block [Length=78]}"}},
};

class Corpus : public testing::TestWithParam<CorpusCase> {};

TEST_P(Corpus, ListsTheRealImage) {
    const fs::path path = fs::path(BITREEL_CORPUS_DIR) / GetParam().file;
    ASSERT_TRUE(fs::exists(path)) << "corpus not found at " << path;
    bool expectHeader = false;
    EXPECT_EQ(LoadContents(path, GetParam().machine, GetParam().layout, expectHeader),
              GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Images, Corpus, testing::ValuesIn(kCorpus), test::ByName());

// A program saved by a tool of its own, independent of this reader.
TEST(LoadContents, ListsAProgramFromAnOutsideTool) {
    const std::string tool = BITREEL_ZMAKEBAS;
    if (tool.empty()) {
        GTEST_SKIP() << "zmakebas not installed";
    }
    const test::TempDir dir;
    {
        std::FILE* basic = std::fopen((dir / "hello.bas").c_str(), "w");
        ASSERT_NE(basic, nullptr);
        std::fputs("10 PRINT \"HELLO\"\n20 GOTO 10\n", basic);
        std::fclose(basic);
    }
    const std::string command = tool + " -a 10 -n hello -o '" + (dir / "HELLO.TAP").string() +
                                "' '" + (dir / "hello.bas").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    bool expectHeader = false;
    EXPECT_EQ(
        LoadContents(dir / "HELLO.TAP", Spectrum, SpectrumTap, expectHeader),
        (Rows{"Program     : hello      [Line=10, Vars Area=+27]", "{Data block [Length=27]}"}));
}

} // namespace
} // namespace bitreel
