#include "tape/Tape.h"

#include "support/ImageEntries.h"
#include "support/TapeBuilder.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bitreel {
namespace {

using test::Bytes;
using test::DataBytes;
using test::ImageBytes;
using test::PzxBuilder;
using test::SpectrumHeader;
using Rows = std::vector<std::string>;

std::string Kinds(const test::Entries& entries) {
    std::string kinds;
    for (const test::Entry& e : entries) {
        kinds += "FSTC"[static_cast<int>(e.Kind)];
    }
    return kinds;
}

const Bytes kHeader = DataBytes(0, SpectrumHeader(3, "hello", 300, 400, 0));
const char* const kHeaderRow = "Code        : hello      [Start=400, Length=300]";
const char* const kVersionRow = "PZX header  : version 1.0";

ImageBytes Body(const Bytes& bytes) {
    ImageBytes body;
    body.Raw(bytes);
    return body;
}

struct FileCase {
    const char* name;
    Bytes file;
    Rows rows;
    const char* kinds;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

const FileCase kFiles[] = {
    {"HeaderOnly", PzxBuilder().bytes(), {kVersionRow}, "S"},
    {"HeaderWithTitle",
     PzxBuilder(1, 0, "Manic Miner").bytes(),
     {"Archive info: Manic Miner, Someone"},
     "S"},
    {"TitleInUtf8",
     PzxBuilder(1, 0, "Caf\xC3\xA9 \xE2\x82\xAC").bytes(),
     {"Archive info: Caf\xE9 ?, Someone"},
     "S"},
    // The publisher, author and year follow the title as a TZX image gives
    // them; other keys are left out.
    {"TitleWithItsFacts",
     PzxBuilder::Headerless()
         // Kept in another order than shown, with a key that is not shown.
         .Block("PZXT", Body({1,   0,   'G', 0,   'Y', 'e', 'a', 'r', 0,   '1', '9', '8', '3',
                              0,   'L', 'a', 'n', 'g', 'u', 'a', 'g', 'e', 0,   'E', 'n', 0,
                              'P', 'u', 'b', 'l', 'i', 's', 'h', 'e', 'r', 0,   'B', 0}))
         .bytes(),
     {"Archive info: G, B, 1983"},
     "S"},
    {"RomBlocks",
     PzxBuilder()
         .Pulses({{8063, 2168}, {1, 667}, {1, 735}})
         .Data(kHeader)
         .Pause(3500000)
         .Pulses({{3223, 2168}, {1, 667}, {1, 735}})
         .Data(DataBytes(255, Bytes(300, 7)))
         .bytes(),
     {kVersionRow, "Pulses      : 8065 pulses [not sent]", kHeaderRow, "Pause       : 1000 ms",
      "Pulses      : 3225 pulses [not sent]", "{Data block [Length=300]}"},
     "SSFSSF"},
    {"LongPulsesAndLevelBit",
     PzxBuilder().Pulses({{1, 0x12345}, {3, 100}}).Pause(0x80000000u | 1750).bytes(),
     {kVersionRow, "Pulses      : 4 pulses [not sent]", "Pause       : 1 ms"},
     "SSS"},
    {"OtherPulsesAreTurbo",
     PzxBuilder().Data(DataBytes(255, {1, 2}), 0xFFFFFFFF, {500, 500}, {1000, 1000}).bytes(),
     {kVersionRow, "{Data block [Length=2]} (turbo)"},
     "SF"},
    {"OnePulsePerBitIsTurbo",
     PzxBuilder().Data(DataBytes(255, {1, 2}), 0xFFFFFFFF, {855}, {1710}).bytes(),
     {kVersionRow, "{Data block [Length=2]} (turbo)"},
     "SF"},
    {"LastByteNotWhole",
     PzxBuilder().Data({1, 2, 0x80}, 17).bytes(),
     {kVersionRow, "Data        : 17 bits [not sent]"},
     "SS"},
    {"DataTooLongForAFrame",
     PzxBuilder().Data(Bytes(65536, 0)).bytes(),
     {kVersionRow, "Data        : 524288 bits [not sent]"},
     "SS"},
    {"DataShorterThanItsBits",
     PzxBuilder().Block("DATA", Body({16, 0, 0, 0, 0, 0, 0, 0, 1})).Browse("x").bytes(),
     {kVersionRow, "Data        : damaged [not sent]", "Browse      : x"},
     "SSS"},
    {"NoDataBits", PzxBuilder().Data({}).bytes(), {kVersionRow, "Empty block [Length=0]"}, "SF"},
    {"BrowseAndStops",
     PzxBuilder().Browse("Level 2").Stop(0).Stop(1).bytes(),
     {kVersionRow, "Browse      : Level 2", "Stop tape", "Stop tape (48K)"},
     "SSTT"},
    {"UnknownTagPassedOver",
     PzxBuilder().Block("XYZ\x01", Body({1, 2, 3})).Stop(0).bytes(),
     {kVersionRow, "Unknown     : tag XYZ? [not sent]", "Stop tape"},
     "SST"},
    {"EmptyFile", {}, {"Corrupt block"}, "C"},
    {"NoHeaderBlock", PzxBuilder::Headerless().Stop(0).bytes(), {"Corrupt block"}, "C"},
    {"VersionTwo", PzxBuilder(2, 0).Stop(0).bytes(), {"Corrupt block"}, "C"},
    {"EndsInsideABlock",
     PzxBuilder().Data(kHeader).Data(kHeader).Cut(1).bytes(),
     {kVersionRow, kHeaderRow, "Corrupt block"},
     "SFC"},
    {"SizePastEnd",
     [] {
         ImageBytes b;
         b.Raw(PzxBuilder().bytes());
         b.Text("PAUS");
         b.Dword(0xFFFFFFFF);
         b.Dword(1);
         return b.bytes();
     }(),
     {kVersionRow, "Corrupt block"},
     "SC"},
};

class PzxFileTest : public testing::TestWithParam<FileCase> {};

TEST_P(PzxFileTest, ListsEveryWholeBlock) {
    const FileCase& c = GetParam();
    const test::Entries entries = test::ReadPzx(c.file);
    EXPECT_EQ(test::EntryRows(entries), c.rows);
    EXPECT_EQ(Kinds(entries), c.kinds);
}

INSTANTIATE_TEST_SUITE_P(Files, PzxFileTest, testing::ValuesIn(kFiles), test::ByName{});

// Cut anywhere, a file lists exactly the blocks that end before the cut, then
// one corrupt row; cut inside its header block it is no PZX image at all.
TEST(PzxTruncationTest, EveryCutListsTheWholeBlocksThenOneCorruptRow) {
    PzxBuilder pzx(1, 0, "Title");
    std::vector<std::size_t> ends{pzx.size()};
    pzx.Pulses({{8063, 2168}, {1, 0x12345}});
    ends.push_back(pzx.size());
    pzx.Data(kHeader);
    ends.push_back(pzx.size());
    pzx.Pause(7000);
    ends.push_back(pzx.size());
    pzx.Browse("here");
    ends.push_back(pzx.size());
    pzx.Stop(1);
    const Bytes whole = pzx.bytes();
    const Rows all = test::EntryRows(test::ReadPzx(whole));
    ASSERT_EQ(all.size(), ends.size() + 1);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut) {
            ++complete;
        }
        Rows expected(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(complete));
        if (complete == 0 || ends[complete - 1] != cut) {
            expected.emplace_back("Corrupt block");
        }
        ASSERT_EQ(test::EntryRows(test::ReadPzx(part)), expected) << "cut at " << cut;
    }
}

} // namespace
} // namespace bitreel
