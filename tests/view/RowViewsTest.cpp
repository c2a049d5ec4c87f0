#include "view/RowViews.h"
#include "view/HeaderFields.h"
#include "view/screen/ScreenImage.h"

#include "support/TapeBuilder.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace test = bitreel::test;
using bitreel::BlockKind;
using bitreel::ImageBlock;
using bitreel::MachineKind;
using test::AceHeader;
using test::Bytes;
using test::SpectrumHeader;
using namespace bitreel::view;

struct FieldsCase {
    const char* name;
    MachineKind machine;
    Bytes header;
    std::string text;
};

void PrintTo(const FieldsCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes WithName(Bytes header, std::size_t at, std::uint8_t byte) {
    header[1 + at] = byte;
    return header;
}

const FieldsCase kFields[] = {
    {"Program", MachineKind::Spectrum, SpectrumHeader(0, "hello", 120, 10, 100),
     "Type: Program (0)\nName: \"hello     \"\nData length: 120\nAutostart line: 10\n"
     "Program length: 100\n"},
    {"ProgramWithoutAutostart", MachineKind::Spectrum, SpectrumHeader(0, "x", 5, 0x8000, 5),
     "Type: Program (0)\nName: \"x         \"\nData length: 5\nAutostart line: none\n"
     "Program length: 5\n"},
    {"CodeNameInLatin1", MachineKind::Spectrum,
     WithName(SpectrumHeader(3, "screen", 6912, 16384, 32768), 9, 0xA9),
     "Type: Code (3)\nName: \"screen   \xC2\xA9\"\nData length: 6912\n"
     "Start: 16384 (0x4000)\n"},
    {"AceDictionary", MachineKind::JupiterAce,
     [] {
         Bytes h = AceHeader(0, "dict", 57);
         h[13] = 0x51;
         h[14] = 0x3C;
         h[15] = 0x80;
         h[16] = 0x3C;
         return h;
     }(),
     "Type: Dictionary (0)\nName: \"dict      \"\nData length: 57\nStart: 15441 (0x3C51)\n"
     "Newest word at: 15488 (0x3C80)\n"},
    {"WrongSize", MachineKind::Spectrum, AceHeader(0, "dict", 57),
     "! The header holds 25 bytes; a header of this machine holds 17.\n"},
};

class HeaderFieldsOf : public testing::TestWithParam<FieldsCase> {};

TEST_P(HeaderFieldsOf, ListsEachField) {
    EXPECT_EQ(ListHeaderFields(GetParam().machine, GetParam().header).Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Headers, HeaderFieldsOf, testing::ValuesIn(kFields), test::ByName());

ImageBlock Block(std::uint8_t flag, const Bytes& payload, bool header = false,
                 bool corrupt = false) {
    ImageBlock block;
    block.stored = test::TapeBuilder().Block(flag, payload).bytes();
    block.headerPlace = header;
    block.kind = corrupt ? BlockKind::Corrupt : header ? BlockKind::Header : BlockKind::Data;
    return block;
}

const Bytes kScreen(ScreenBytes, 0x38);
const Bytes kProgramHeader = SpectrumHeader(0, "hello", 3, 10, 3);

struct RowCase {
    const char* name;
    MachineKind machine;
    RowBlocks blocks;
    bool headerRow;
    std::size_t header; // bytes of the header payload shown, 0: none
    std::size_t data;
    std::vector<BlockView> views;
};

void PrintTo(const RowCase& c, std::ostream* os) {
    *os << c.name;
}

const RowCase kRowCases[] = {
    {"HeaderRowShowsItsData",
     MachineKind::Spectrum,
     {std::nullopt, Block(0, kProgramHeader, true), Block(255, {0, 10, 1})},
     true,
     17,
     3,
     {BlockView::Basic}},
    {"HeaderWithoutData",
     MachineKind::Spectrum,
     {std::nullopt, Block(0, kProgramHeader, true), Block(0, kProgramHeader, true)},
     true,
     17,
     0,
     {}},
    {"DataAfterDataHasNoHeader",
     MachineKind::Spectrum,
     {Block(255, {1}), Block(255, kScreen), std::nullopt},
     false,
     0,
     ScreenBytes,
     {BlockView::Screen}},
    {"CorruptIsHexOnly",
     MachineKind::Spectrum,
     {std::nullopt, Block(255, kScreen, false, true), std::nullopt},
     false,
     0,
     0,
     {}},
};

class ViewsOfRowIn : public testing::TestWithParam<RowCase> {};

TEST_P(ViewsOfRowIn, PairsHeaderAndData) {
    const RowCase& c = GetParam();
    const RowViews shown = ViewsOfRow(c.blocks, c.machine);
    EXPECT_EQ(shown.headerRow, c.headerRow);
    EXPECT_EQ(shown.header ? shown.header->size() : 0, c.header);
    EXPECT_EQ(shown.data.size(), c.data);
    EXPECT_EQ(shown.views, c.views);
}

INSTANTIATE_TEST_SUITE_P(Rows, ViewsOfRowIn, testing::ValuesIn(kRowCases), test::ByName());

} // namespace
