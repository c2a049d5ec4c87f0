#include "tape/Tape.h"

#include "support/TapeBuilder.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace bitreel {
namespace {

using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;

// A block as the reader leaves it: length field, flag, payload, checksum.
TapeBlock Block(std::uint8_t flag, const Bytes& payload, bool badChecksum = false) {
    TapeBlock block;
    block.Bytes = test::TapeBuilder().Block(flag, payload).bytes();
    block.Length = static_cast<std::int32_t>(payload.size() + 2);
    block.BadChecksum = badChecksum;
    return block;
}

// A block whose stored checksum was judged as given.
TapeBlock Judged(TapeBlock block, ChecksumVerdict verdict) {
    block.Verdict = verdict;
    return block;
}

// Bytes cut short, as a recording in progress or a damaged reader could give.
TapeBlock Truncated(TapeBlock block, std::size_t size) {
    block.Bytes.resize(size);
    return block;
}

struct DescribeCase {
    const char* name;
    MachineKind machine;
    bool isTapFile;
    bool expectBefore;
    TapeBlock block;
    std::optional<std::string> text;
    bool expectAfter;
    // The contents-list row where it differs from the text (no text given).
    std::optional<std::string> row = std::nullopt;
};

constexpr auto Spectrum = MachineKind::Spectrum;
constexpr auto Ace = MachineKind::JupiterAce;

const DescribeCase kCases[] = {
    // Spectrum headers.
    {"ProgramWithLine", Spectrum, true, true, Block(0, SpectrumHeader(0, "hello", 250, 10, 250)),
     "Program     : hello      [Line=10, Vars Area=+250]", true},
    {"ProgramLine32767", Spectrum, true, true,
     Block(0, SpectrumHeader(0, "hello", 250, 32767, 250)),
     "Program     : hello      [Line=32767, Vars Area=+250]", true},
    {"ProgramWithoutLine", Spectrum, true, true,
     Block(0, SpectrumHeader(0, "hello", 250, 32768, 250)),
     "Program     : hello      [Vars Area=250]", true},
    {"ProgramHighestNumbers", Spectrum, true, false,
     Block(0, SpectrumHeader(0, "hello", 65535, 65535, 65535)),
     "Program     : hello      [Vars Area=65535]", false},
    {"NumberArrayShowsItsLetter", Spectrum, false, true,
     Block(0, SpectrumHeader(1, "numbers", 20, 0x8e00, 0)),
     "Number Array: numbers    [Variable=n()]", true},
    {"CharArrayShowsItsLetter", Spectrum, true, true,
     Block(0, SpectrumHeader(2, "chars", 20, 0xd400, 0)),
     "Char Array  : chars      [Variable=t$()]", true},
    {"Code", Spectrum, true, true, Block(0, SpectrumHeader(3, "hello", 300, 400, 0)),
     "Code        : hello      [Start=400, Length=300]", true},
    {"NameBytesUnchanged", Spectrum, true, true,
     Block(0, SpectrumHeader(3, std::string_view("\x7f\x00\xa9z\x80 ab", 8), 1, 2, 0)),
     "Code        : " + std::string("\x7f\x00\xa9z\x80 ab  ", 10) + " [Start=2, Length=1]", true},
    {"InvalidHeaderType", Spectrum, true, true, Block(0, SpectrumHeader(4, "hello", 1, 1, 1)),
     "Invalid header descriptor [Length=17]", true},
    // Other Spectrum blocks.
    {"DataBlock", Spectrum, true, true, Block(255, Bytes(300, 1)), "{Data block [Length=300]}",
     true},
    {"DataBlockOfHeaderLength", Spectrum, true, true, Block(255, Bytes(17, 1)),
     "{Data block [Length=17]}", true},
    {"DataBlockFlagOnly", Spectrum, true, true, Truncated(TapeBlock{{1, 0, 255}, 1, false}, 3),
     "{Data block [Length=-1]}", true},
    {"UnknownHeaderType", Spectrum, true, true, Block(1, Bytes(17, 0)),
     "Unknown header type [Length=17]", true},
    {"UnknownBlockHeaderFlagWrongLength", Spectrum, true, true, Block(0, Bytes(18, 0)),
     "Unknown block type [Length=20]", true},
    {"SpectrumShowsNoChecksumNote", Spectrum, true, true,
     Block(0, SpectrumHeader(3, "hello", 300, 400, 0), true),
     "Code        : hello      [Start=400, Length=300]", true},
    // Only damage shows on a Spectrum row; a replaced byte lists as good.
    {"SpectrumReplacedChecksumShowsNothing", Spectrum, true, true,
     Judged(Block(255, Bytes(3, 1), true), ChecksumVerdict::Replaced), "{Data block [Length=3]}",
     true},
    {"SpectrumDamagedData", Spectrum, true, true,
     Judged(Block(255, Bytes(3, 1), true), ChecksumVerdict::Damaged),
     "{Data block [Length=3]} (Invalid Checksum)", true},
    {"SpectrumDamagedHeader", Spectrum, true, true,
     Judged(Block(0, SpectrumHeader(2, "t", 5, 0xd400, 0), true), ChecksumVerdict::Damaged),
     "Char Array  : t          [Variable=t$()] (Invalid Checksum)", true},
    {"SpectrumDamagedUnknownHeader", Spectrum, true, true,
     Judged(Block(9, Bytes(17, 0), true), ChecksumVerdict::Damaged),
     "Unknown header type [Length=17] (Invalid Checksum)", true},
    {"SpectrumDamagedInvalidHeader", Spectrum, true, true,
     Judged(Block(0, SpectrumHeader(7, "x", 1, 1, 1), true), ChecksumVerdict::Damaged),
     "Invalid header descriptor [Length=17] (Invalid Checksum)", true},
    // Jupiter Ace, name not ending in TAP: flag and length decide.
    {"AceBytesHeader", Ace, false, true, Block(0, AceHeader(32, "hello", 100)),
     "Bytes       : hello      [Length=100]", false},
    {"AceHeaderWhileDataExpected", Ace, false, false, Block(0, AceHeader(0, "hello", 100)),
     "Dictionary  : hello      [Length=100]", true},
    {"AceDataWhileHeaderExpected", Ace, false, true, Block(255, Bytes(3, 9)),
     "{Data block [Length=3]}", false},
    {"AceEmptyData", Ace, false, false, Block(255, {}), "{Data block [Length=0]}", true},
    {"AceShortHeaderFlagBlock", Ace, false, false, Block(0, Bytes(3, 0)),
     "Unknown block type [Length=5]", true},
    {"AceDictionaryWithBadChecksum", Ace, false, true, Block(0, AceHeader(0, "hello", 100), true),
     "Dictionary  : hello      [Length=100] (Invalid Checksum)", false},
    // The Ace rows keep to BadChecksum alone, whatever the verdict.
    {"AceDamagedVerdictWithoutBadChecksum", Ace, false, true,
     Judged(Block(255, Bytes(3, 9)), ChecksumVerdict::Damaged), "{Data block [Length=3]}", false},
    {"AceUnknownWithBadChecksum", Ace, false, false, Block(7, Bytes(3, 0), true),
     "Unknown block type [Length=5] (Invalid Checksum)", true},
    {"AceHeaderOfAnotherType", Ace, false, true, Block(0, AceHeader(104, "hello", 78)),
     std::nullopt, false, "Type 104    : hello      [Length=78]"},
    // Jupiter Ace, name ending in TAP: strict alternation whatever the flag.
    {"AceTapHeaderAnyLength", Ace, true, true, Block(0, AceHeader(0, "dict", 57)),
     "Dictionary  : dict       [Length=57]", false},
    {"AceTapShortestHeader", Ace, true, true, Truncated(Block(0, AceHeader(32, "x", 9)), 16),
     "Bytes       : x          [Length=9]", false},
    {"AceTapDataAnyFlag", Ace, true, false, Block(0, Bytes(5, 1)), "{Data block [Length=5]}", true},
    {"AceTapHeaderOfAnotherTypeWithBadChecksum", Ace, true, true,
     Block(0, AceHeader(1, "odd", 2), true), std::nullopt, false,
     "Type 1      : odd        [Length=2] (Invalid Checksum)"},
    // Abandoned: a field beyond the block leaves ExpectHeader as it was.
    {"AceTapHeaderTooShort", Ace, true, true, Truncated(Block(0, AceHeader(0, "x", 9)), 15),
     std::nullopt, true, "Unknown block type [Length=27]"},
    {"AceNoFlagByte", Ace, false, false, Truncated(Block(255, {}), 2), std::nullopt, false,
     "Unknown block type [Length=2]"},
    {"SpectrumHeaderCutShort", Spectrum, true, true,
     Truncated(Block(0, SpectrumHeader(0, "hello", 1, 1, 1)), 19), std::nullopt, true,
     "Unknown block type [Length=19]"},
    {"SpectrumDamagedHeaderCutShort", Spectrum, true, true,
     Judged(Truncated(Block(0, SpectrumHeader(0, "hello", 1, 1, 1)), 19), ChecksumVerdict::Damaged),
     std::nullopt, true, "Unknown block type [Length=19]"},
};

// Names instead of byte dumps in the test log.
void PrintTo(const DescribeCase& c, std::ostream* os) {
    *os << c.name;
}

class DescribeBlockTable : public testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeBlockTable, GivesTheTextAndTheNextExpectation) {
    const DescribeCase& c = GetParam();
    bool expectHeader = c.expectBefore;
    EXPECT_EQ(DescribeBlock(c.block, c.machine, c.isTapFile, expectHeader), c.text);
    EXPECT_EQ(expectHeader, c.expectAfter);

    // The contents row gives the same text where there is one, and updates
    // the expectation in the same way.
    bool rowExpect = c.expectBefore;
    EXPECT_EQ(ContentsRow(c.block, c.machine, c.isTapFile, rowExpect), c.row ? *c.row : *c.text);
    EXPECT_EQ(rowExpect, c.expectAfter);
}

INSTANTIATE_TEST_SUITE_P(Blocks, DescribeBlockTable, testing::ValuesIn(kCases), test::ByName());

// The variable byte shows as a letter only in the range of the array's own kind.
TEST(DescribeBlock, ArrayVariableShowsItsLetterOnlyInItsKindsRange) {
    const struct {
        std::uint8_t type;
        std::uint8_t variable;
        std::string shown;
    } cases[] = {
        {1, 0x81, "a"},
        {1, 0x9A, "z"},
        {1, 0x80, "\x80"},
        {1, 0x9B, "\x9b"},
        {1, 0xC1, "\xc1"},
        {1, 0x41, "A"},
        {1, 0x00, std::string(1, '\0')},
        {2, 0xC1, "a"},
        {2, 0xDA, "z"},
        {2, 0xC0, "\xc0"},
        {2, 0xDB, "\xdb"},
        {2, 0x81, "\x81"},
        {2, 0xE1, "\xe1"},
    };
    for (const auto& c : cases) {
        bool expectHeader = true;
        const auto text =
            DescribeBlock(Block(0, SpectrumHeader(c.type, "v", 5, c.variable << 8, 0)), Spectrum,
                          true, expectHeader);
        ASSERT_TRUE(text);
        const std::string suffix = c.type == 1 ? "()]" : "$()]";
        EXPECT_EQ(text->substr(text->find("[Variable=")), "[Variable=" + c.shown + suffix)
            << "type " << int{c.type} << ", byte " << int{c.variable};
    }
}

TEST(ContentsRow, EmptyBlockHasItsOwnRowAndLeavesTheExpectation) {
    const TapeBlock empty{{0, 0}, 0, false};
    for (const auto machine : {Spectrum, Ace}) {
        bool expectHeader = false;
        EXPECT_EQ(ContentsRow(empty, machine, true, expectHeader), "Empty block [Length=0]");
        EXPECT_FALSE(expectHeader);
    }
}

TEST(DescribeBlock, LabelsLineUpNamesInOneColumn) {
    const TapeBlock blocks[] = {
        Block(0, SpectrumHeader(0, "n", 1, 1, 1)), Block(0, SpectrumHeader(1, "n", 1, 1, 1)),
        Block(0, SpectrumHeader(2, "n", 1, 1, 1)), Block(0, SpectrumHeader(3, "n", 1, 1, 1))};
    for (const auto& block : blocks) {
        bool expectHeader = true;
        const auto text = DescribeBlock(block, Spectrum, true, expectHeader);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->find(": n "), 12U) << *text;
    }
}

} // namespace
} // namespace bitreel
