// Each row's block: the row, with the block's kind, flag, length, checksum
// verdict and header fields.
#include "tape/HeaderFields.h"
#include "tape/TapeImage.h"

#include "support/TapeBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bitreel {
namespace {

using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;
using test::TapeBuilder;

constexpr auto Spectrum = MachineKind::Spectrum;
constexpr auto Ace = MachineKind::JupiterAce;

struct Expected {
    BlockKind kind;
    std::optional<int> flag;
    std::optional<int> length;
    std::optional<ChecksumVerdict> verdict;
    std::optional<std::string> headerType;
};

struct ListCase {
    const char* name;
    Bytes tape;
    MachineKind machine;
    TapeLayout layout;
    bool isTapFile;
    std::vector<Expected> blocks;
};

void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

constexpr auto Good = ChecksumVerdict::Good;
constexpr auto Replaced = ChecksumVerdict::Replaced;
constexpr auto Damaged = ChecksumVerdict::Damaged;

const ListCase kCases[] = {
    {"SpectrumHeaderAndReplacedData",
     TapeBuilder()
         .Block(0, SpectrumHeader(3, "code", 3, 32768, 0))
         .Block(255, {1, 2, 4}, 1 ^ 2 ^ 4 ^ 255)
         .bytes(),
     Spectrum,
     TapeLayout::SpectrumTap,
     true,
     {{BlockKind::Header, 0, 19, Good, "code"}, {BlockKind::Data, 255, 5, Replaced, {}}}},
    {"SpectrumEmptyUnknownDamagedAndCorrupt",
     TapeBuilder()
         .Length(0)
         .Block(7, {1, 2})
         .Block(0, SpectrumHeader(9, "bad", 0, 0, 0))
         .Block(255, {1, 2}, 0x55)
         .Length(500)
         .bytes(),
     Spectrum,
     TapeLayout::SpectrumTap,
     true,
     {{BlockKind::Empty, {}, 0, Good, {}},
      {BlockKind::Unknown, 7, 4, Good, {}},
      {BlockKind::Unknown, 0, 19, Good, {}},
      {BlockKind::Data, 255, 4, Damaged, {}},
      {BlockKind::Corrupt, {}, {}, {}, {}}}},
    {"AceTapAlternatesByPosition",
     TapeBuilder().AceTapBlock(AceHeader(32, "bytes", 2)).AceTapBlock({9, 9}).bytes(),
     Ace,
     TapeLayout::AceTap,
     true,
     {{BlockKind::Header, 0, 27, Good, "bytes"}, {BlockKind::Data, 255, 4, Good, {}}}},
    {"AceTapTooShortForAHeader",
     TapeBuilder().AceTapBlock({0, 1, 2}).bytes(),
     Ace,
     TapeLayout::AceTap,
     true,
     {{BlockKind::Unknown, 0, 5, Good, {}}}},
    {"AceJupByFlagAndLength",
     TapeBuilder()
         .Block(0, AceHeader(0, "dict", 2))
         .Block(255, {3, 4})
         .Block(0, {1, 2})
         .Block(0, AceHeader(7, "other", 2))
         .bytes(),
     Ace,
     TapeLayout::AceJup,
     false,
     {{BlockKind::Header, 0, 27, Good, "dictionary"},
      {BlockKind::Data, 255, 4, Good, {}},
      {BlockKind::Unknown, 0, 4, Good, {}},
      {BlockKind::Header, 0, 27, Good, "7"}}},
};

class ImageBlocksTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ImageBlocksTest, KindsFollowTheRows) {
    const ListCase& c = GetParam();
    TapeImage image(c.tape, ImageFormat::Blocks, c.machine, c.layout, c.isTapFile);
    image.IndexAll();
    ASSERT_EQ(image.RowCount(), c.blocks.size());
    for (std::size_t i = 0; i < image.RowCount(); ++i) {
        const ImageBlock block = image.Block(i);
        SCOPED_TRACE("block " + std::to_string(i) + ": " + block.row);
        const Expected& want = c.blocks[i];
        EXPECT_EQ(block.row, image.Row(i));
        EXPECT_EQ(block.kind, want.kind);
        EXPECT_EQ(block.Flag() ? std::optional<int>(*block.Flag()) : std::nullopt, want.flag);
        EXPECT_EQ(block.Length() ? std::optional<int>(*block.Length()) : std::nullopt, want.length);
        EXPECT_EQ(block.Sent() ? std::optional(block.verdict) : std::nullopt, want.verdict);
        EXPECT_EQ(block.header ? std::optional(block.header->type) : std::nullopt, want.headerType);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ImageBlocksTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct HeaderCase {
    const char* name;
    Bytes payload;
    MachineKind machine;
    HeaderFields want;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

HeaderFields Fields(std::string type, std::uint8_t typeByte, std::string name,
                    std::uint16_t length) {
    HeaderFields fields;
    fields.type = std::move(type);
    fields.typeByte = typeByte;
    fields.name = std::move(name);
    fields.dataLength = length;
    return fields;
}

template <typename Change> HeaderFields With(HeaderFields fields, Change change) {
    change(fields);
    return fields;
}

Bytes WithVariable(Bytes payload, std::uint8_t variable) {
    payload[14] = variable; // the high byte of parameter 1
    return payload;
}

const HeaderCase kHeaders[] = {
    {"ProgramWithLine", SpectrumHeader(0, "hello", 300, 10, 250), Spectrum,
     With(Fields("program", 0, "hello     ", 300),
          [](HeaderFields& f) {
              f.line = 10;
              f.variables = 250;
          })},
    {"ProgramWithoutLine", SpectrumHeader(0, "x", 5, 32768, 5), Spectrum,
     With(Fields("program", 0, "x         ", 5), [](HeaderFields& f) { f.variables = 5; })},
    {"NumberArray", WithVariable(SpectrumHeader(1, "nums", 7, 0, 0), 0x81), Spectrum,
     With(Fields("number array", 1, "nums      ", 7), [](HeaderFields& f) { f.variable = 0x81; })},
    {"CharArray", WithVariable(SpectrumHeader(2, "\xe9t\xe9", 7, 0, 0), 0xC2), Spectrum,
     With(Fields("char array", 2, "\xe9t\xe9       ", 7),
          [](HeaderFields& f) { f.variable = 0xC2; })},
    {"Code", SpectrumHeader(3, "scr", 6912, 16384, 32768), Spectrum,
     With(Fields("code", 3, "scr       ", 6912), [](HeaderFields& f) { f.start = 16384; })},
    {"AceDictionary", AceHeader(0, "forth", 100), Ace, Fields("dictionary", 0, "forth     ", 100)},
    {"AceBytes", AceHeader(32, "bin", 9), Ace,
     With(Fields("bytes", 32, "bin       ", 9), [](HeaderFields& f) { f.start = 0x2020; })},
};

class HeaderFieldsTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderFieldsTest, DecodesEveryField) {
    const HeaderCase& c = GetParam();
    const auto fields =
        c.machine == Spectrum ? DecodeSpectrumHeader(c.payload) : DecodeAceHeader(c.payload);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->type, c.want.type);
    EXPECT_EQ(fields->typeByte, c.want.typeByte);
    EXPECT_EQ(fields->name, c.want.name);
    EXPECT_EQ(fields->dataLength, c.want.dataLength);
    EXPECT_EQ(fields->line, c.want.line);
    EXPECT_EQ(fields->variables, c.want.variables);
    EXPECT_EQ(fields->start, c.want.start);
    EXPECT_EQ(fields->variable, c.want.variable);
}

INSTANTIATE_TEST_SUITE_P(Headers, HeaderFieldsTest, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderFieldsTest, NoFieldsForWhatIsNoHeader) {
    const struct {
        const char* name;
        Bytes tape;
        MachineKind machine;
    } cases[] = {
        {"spectrum data flag", TapeBuilder().Block(255, SpectrumHeader(0, "a", 1, 1, 1)).bytes(),
         Spectrum},
        {"spectrum type 4", TapeBuilder().Block(0, SpectrumHeader(4, "a", 1, 1, 1)).bytes(),
         Spectrum},
        {"spectrum length 20", TapeBuilder().Block(0, Bytes(18, 0)).bytes(), Spectrum},
        {"ace too short for the length", TapeBuilder().Block(0, Bytes(11, 0)).bytes(), Ace},
    };
    for (const auto& c : cases) {
        const TapeImage image =
            TapeImage(c.tape, ImageFormat::Blocks, c.machine,
                      c.machine == Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceJup, false)
                .IndexAll();
        EXPECT_FALSE(image.Block(0).header) << c.name;
    }
}

} // namespace
} // namespace bitreel
