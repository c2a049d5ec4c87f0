// `bitreel view` through the real executable: each view of a row as the block
// inspector shows it, the PNG pixel by pixel, and the rows and views it refuses.
#include "tape/TapeImage.h"
#include "view/SnapshotViews.h"
#include "view/View.h"

#include "cli/BitreelProcess.h"
#include "support/SnapshotFiles.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "view/ZmakebasProgram.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Q;
using test::Ran;
using test::RunBitreel;
using test::TapeBuilder;
using test::TempDir;

const fs::path Corpus = BITREEL_CORPUS_DIR;
const std::string Savetap = (Corpus / "spectrum/savetap_test.tap").string();

// A Spectrum program that zmakebas builds from this text, at test time.
const std::string ProgramSource = "10 REM bitreel\n20 FOR i=1 TO 10: PRINT i: NEXT i\n"
                                  "30 IF INKEY$=\"\" THEN GO TO 30\n";

// The blocks around a row of a Spectrum TAP file, as the inspector reads them.
view::RowBlocks SpectrumRowBlocks(const fs::path& path, std::size_t row) {
    return view::BlocksAround(
        TapeImage(path, MachineKind::Spectrum, TapeLayout::SpectrumTap).IndexAll(), row);
}

// What the inspector's tab for a view of a Spectrum TAP file's row holds.
std::string InspectorText(const fs::path& path, std::size_t row, view::BlockView shown) {
    const view::RowBlocks blocks = SpectrumRowBlocks(path, row);
    const view::RowViews views = view::ViewsOfRow(blocks, MachineKind::Spectrum);
    return view::ViewText(shown, views.header, views.data);
}

// Each line with its runs of spaces made one.
std::string Collapsed(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        out += test::CollapseSpaces(line) + "\n";
    }
    return out;
}

struct ViewCase {
    const char* name;
    std::string file; // in the test's folder, which holds PROG.TAP, SMALL.TAP and BAD.TAP
    QStringList options;
    int row; // as typed, from 1
    int status;
    // Standard output as it must be, given the folder; none when there is none.
    std::function<std::string(const fs::path&)> out;
    std::string err; // the whole of standard error
    int scale = 0;   // a PNG of the row at this scale, pixels as RenderScreen's
};

void PrintTo(const ViewCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string SmallHex = "Length 4: flag at 0000 in [ ], checksum at 0003 in < >\n"
                             "0000[FF]41 42<03>" +
                             std::string(37, ' ') + ".AB.\n" +
                             "Checksum: stored 0x03, computed 0x03: good\n";

std::function<std::string(const fs::path&)> Text(std::string text) {
    return [text](const fs::path&) { return text; };
}

std::function<std::string(const fs::path&)> Listing(std::string file, std::size_t row) {
    return [file, row](const fs::path& dir) {
        return InspectorText(dir / file, row, view::BlockView::Basic);
    };
}

std::string HeaderThenListing(const fs::path&) {
    const view::RowBlocks blocks = SpectrumRowBlocks(Savetap, 0);
    return view::ListHeaderFields(MachineKind::Spectrum, view::BlockPayload(blocks.at->stored))
               .Text() +
           "\n" + InspectorText(Savetap, 0, view::BlockView::Basic);
}

std::string Refused(const std::string& why) {
    return "bitreel: view: " + why + " (see bitreel view --help)\n";
}

const std::string Dict = (Corpus / "ace/DICT.tap").string();

const std::string Ted = (test::SnapshotDir / "speccymac-technted.z80").string();

std::function<std::string(const fs::path&)> OfTed(std::string (*text)(const Snapshot&)) {
    return [text](const fs::path&) { return text(test::TestSnapshot("speccymac-technted.z80")); };
}

// clang-format off
const ViewCase kViews[] = {
    {"ZmakebasBasicOfTheDataRow", "PROG.TAP", {"--basic"}, 2, 0, Listing("PROG.TAP", 1), ""},
    {"CorpusBasicOfTheHeaderRow", Savetap, {"--basic"}, 1, 0, Listing(Savetap, 0), ""},
    {"DefaultIsTheHeaderThenTheListing", Savetap, {}, 1, 0, HeaderThenListing, ""},
    {"CharArray", Savetap, {"--array"}, 10, 0,
     Text("t$(31)\n  \"SAVETAP testing character array\"\n"), ""},
    {"HexOfASmallBlock", "SMALL.TAP", {"--hex"}, 1, 0, Text(SmallHex), ""},
    {"DefaultHexWhenNoTextViewFits", "SMALL.TAP", {}, 1, 0, Text(SmallHex), ""},
    {"AceDictionaryWords", Dict, {"--machine", "ace", "--words"}, 2, 0, Text("HEX\nHELLO\n"), ""},
    {"ScreenAsIs", Savetap, {"--png", "OUT.png"}, 4, 0, nullptr, "", 1},
    {"ScreenOfTheHeaderRowScaled", Savetap, {"--png", "OUT.png", "--scale", "3"}, 3, 0, nullptr,
     "", 3},
    // The same program stored in a TZX image: the same listing.
    {"TzxDataRowAsTheTap", "PROG.TZX", {"--basic"}, 2, 0, Listing("PROG.TAP", 1), ""},
    {"TzxRowWithoutABlock", "PROG.TZX", {}, 3, 0, Text("Text        : Side A\n"), ""},
    {"CorruptRowInHex", "BAD.TAP", {}, 1, 2,
     Text("Corrupt block: its length field gives 5 bytes; the file holds 3 of them.\n"), ""},
    // The row that names a snapshot shows the inspector's views of it.
    {"SnapshotRegisters", Ted, {}, 1, 0, OfTed(view::RegistersText), ""},
    {"SnapshotMemory", Ted, {"--hex"}, 1, 0, OfTed(view::MemoryText), ""},
    {"SnapshotLoadingScreen", Ted, {"--png", "OUT.png", "--scale", "2"}, 1, 0, nullptr, "", 2},
    {"RowPastTheEnd", "SMALL.TAP", {"--hex"}, 2, 1, nullptr,
     Refused("row 2: SMALL.TAP has rows 1 to 1")},
    {"ViewThatDoesNotFit", "PROG.TAP", {"--words"}, 2, 1, nullptr,
     Refused("--words does not fit row 2 of PROG.TAP; give --basic or --hex")},
    {"NoScreenToSave", "PROG.TAP", {"--png", "OUT.png"}, 1, 1, nullptr,
     Refused("--png does not fit row 1 of PROG.TAP; give --basic or --hex")},
    {"TwoViews", "SMALL.TAP", {"--hex", "--basic"}, 1, 1, nullptr,
     Refused("give one of --basic, --array, --words, --hex, --png")},
    {"ScaleWithoutPng", "SMALL.TAP", {"--scale", "2"}, 1, 1, nullptr,
     Refused("--scale goes with --png")},
};
// clang-format on

class ViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewTest, ShowsWhatTheInspectorShows) {
    const ViewCase& c = GetParam();
    const std::string zmakebas = BITREEL_ZMAKEBAS;
    if (zmakebas.empty()) {
        GTEST_SKIP() << "zmakebas not installed";
    }
    TempDir dir;
    TempDir built;
    const auto program = test::BuildWithZmakebas(built, zmakebas, ProgramSource);
    ASSERT_TRUE(program);
    fs::copy_file(program->tapePath, dir / "PROG.TAP");
    {
        const test::Bytes tap = test::ReadFileBytes(dir / "PROG.TAP");
        test::TzxBuilder tzx;
        for (const test::Bytes& block : test::TapBlocks(tap)) {
            tzx.Standard(block);
        }
        tzx.Text("Side A");
        tzx.WriteTo(dir / "PROG.TZX");
    }
    TapeBuilder().Block(255, {0x41, 0x42}).WriteTo(dir / "SMALL.TAP");
    // The file ends inside the block.
    TapeBuilder().Length(5).Raw({1, 2, 3}).WriteTo(dir / "BAD.TAP");

    const Ran ran =
        RunBitreel(QStringList{"view"} + c.options +
                       QStringList{QString::fromStdString(c.file), QString::number(c.row)},
                   dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err, c.err);
    if (c.out) {
        const std::string want = c.out(dir.path());
        // A corrupt row: the line that says so, then its bytes.
        EXPECT_EQ(ran.out.substr(0, c.status == 2 ? want.size() : std::string::npos), want);
    } else {
        EXPECT_EQ(ran.out, "");
    }
    if (c.file == "PROG.TAP" && c.status == 0) {
        // The listing is the source text, but for the ROM's spacing around keywords.
        EXPECT_EQ(Collapsed(ran.out), Collapsed(ProgramSource));
    }
    if (c.scale > 0) {
        const view::RowBlocks blocks =
            SpectrumRowBlocks(Savetap, static_cast<std::size_t>(c.row - 1));
        const view::RowViews views = view::ViewsOfRow(blocks, MachineKind::Spectrum);
        // The snapshot outlives the span of its screen.
        const auto ted = test::TestSnapshot("speccymac-technted.z80");
        const auto screen = c.file == Ted ? view::SnapshotScreen(ted) : views.data;
        const view::ScreenImage want = view::ScaleImage(*view::RenderScreen(screen), c.scale);
        const QImage got(Q(dir / "OUT.png"));
        ASSERT_EQ(got.width(), 256 * c.scale);
        ASSERT_EQ(got.height(), 192 * c.scale);
        int differing = 0;
        for (int y = 0; y < got.height(); ++y) {
            for (int x = 0; x < got.width(); ++x) {
                differing += got.pixel(x, y) != want.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ViewTest, ::testing::ValuesIn(kViews),
                         [](const auto& info) { return std::string(info.param.name); });

// The bytes a hex dump shows, read back from its lines of 16.
test::Bytes DumpedBytes(const std::string& dump) {
    test::Bytes bytes;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 4 + 3 * 16 || line.find_first_not_of("0123456789ABCDEF") != 4) {
            continue; // a line of words, not of bytes
        }
        for (std::size_t at = 5; at + 2 <= 4 + 3 * 16 && line[at] != ' '; at += 3) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(at, 2), nullptr, 16)));
        }
    }
    return bytes;
}

test::Bytes Tail(const test::Bytes& bytes, std::size_t from, std::size_t count = 0) {
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(from);
    return count == 0 ? test::Bytes(begin, bytes.end())
                      : test::Bytes(begin, begin + static_cast<std::ptrdiff_t>(count));
}

struct CorruptCase {
    const char* name;
    const char* file;
    QStringList options;
    test::Bytes image;
    int row;           // as typed, from 1
    std::string first; // the line that says what the file holds of the block
    test::Bytes shown; // the bytes the dump then shows
};

void PrintTo(const CorruptCase& c, std::ostream* os) {
    *os << c.name;
}

const test::Bytes kWhole = TapeBuilder().Block(255, {1, 2}).bytes();
const test::Bytes kBeyond =
    TapeBuilder().Raw(kWhole).Length(6914).Raw(test::Bytes(40, 0xAA)).bytes();
const test::Bytes kCut =
    TapeBuilder().Block(255, test::Bytes(100, 7)).Length(60).Raw({255, 5, 6}).bytes();
const test::Bytes kAceCut = TapeBuilder().Length(20).Raw({9, 8, 7, 6, 5}).bytes();
const test::Bytes kTzxCut = test::TzxBuilder().Text("x").Standard({255, 1, 2, 3}).Cut(2).bytes();
const test::Bytes kNoSignature = {'n', 'o', 't', ' ', 'a', ' ', 't', 'z', 'x'};
const std::size_t kPzxHeader = test::PzxBuilder().size();
const test::Bytes kPzxCut = test::PzxBuilder().Data({255, 1, 2, 3, 4}).Cut(3).bytes();
const test::Bytes kLongTail = test::TzxBuilder().Raw({0x4B}).Raw(test::Bytes(70000, 0x11)).bytes();

// clang-format off
const CorruptCase kCorrupt[] = {
    // The length runs past the whole file: what follows it is shown all the same.
    {"LengthBeyondTheFile", "CUT.TAP", {}, kBeyond, 2,
     "Corrupt block: its length field gives 6914 bytes; the file holds 40 of them.",
     Tail(kBeyond, kWhole.size() + 2)},
    {"FileEndsInsideTheBlock", "CUT.TAP", {"--hex"}, kCut, 2,
     "Corrupt block: its length field gives 60 bytes; the file holds 3 of them.", {255, 5, 6}},
    {"OnlyTheLengthField", "CUT.TAP", {}, TapeBuilder().Raw(kWhole).Length(9).bytes(), 2,
     "Corrupt block: its length field gives 9 bytes; the file holds 0 of them.", {}},
    // The flag the layout lacks is shown as for a whole block.
    {"AceTapWithItsFlag", "CUT.DIC", {}, kAceCut, 1,
     "Corrupt block: its length field gives 20 bytes; the file holds 5 of them.",
     {0, 9, 8, 7, 6, 5}},
    {"TzxFromTheBlocksId", "CUT.TZX", {}, kTzxCut, 2,
     "Corrupt block: the file holds 7 bytes from its start to its end.",
     Tail(kTzxCut, kTzxCut.size() - 7)},
    {"TzxWithoutItsSignature", "CUT.TZX", {"--hex"}, kNoSignature, 1,
     "Corrupt block: the file holds 9 bytes from its start to its end.", kNoSignature},
    {"PzxFromTheBlocksTag", "CUT.PZX", {}, kPzxCut, 2,
     "Corrupt block: the file holds " + std::to_string(kPzxCut.size() - kPzxHeader) +
         " bytes from its start to its end.",
     Tail(kPzxCut, kPzxHeader)},
    {"ALongTailShowsItsFirst64K", "CUT.TZX", {}, kLongTail, 1,
     "Corrupt block: the file holds 70001 bytes from its start to its end; the first 65536 are "
     "shown.",
     Tail(kLongTail, 10, 65536)},
};
// clang-format on

class CorruptRow : public ::testing::TestWithParam<CorruptCase> {};

// A block the file does not hold whole is shown as far as the file holds it.
TEST_P(CorruptRow, ShowsTheBytesThatAreThere) {
    const CorruptCase& c = GetParam();
    TempDir dir;
    TapeBuilder().Raw(c.image).WriteTo(dir / c.file);
    const Ran ran = RunBitreel(
        QStringList{"view"} + c.options + QStringList{c.file, QString::number(c.row)}, dir.path());
    EXPECT_EQ(ran.status, 2) << ran.err;
    EXPECT_EQ(ran.out.substr(0, ran.out.find('\n')), c.first);
    EXPECT_EQ(DumpedBytes(ran.out), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Images, CorruptRow, ::testing::ValuesIn(kCorrupt),
                         [](const auto& info) { return std::string(info.param.name); });

struct PngCase {
    const char* name;
    bool existing; // OUT.png holds other bytes before the run
    QStringList options;
    int row; // of savetap_test.tap, from 1
    int status;
    std::string err;
    bool written; // OUT.png holds a PNG afterwards; else it is as before
};

void PrintTo(const PngCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kExists = "bitreel: OUT.png exists; give --force to overwrite it\n";

// clang-format off
const PngCase kPngs[] = {
    {"NewFile", false, {}, 4, 0, "", true},
    {"ExistingIsRefused", true, {}, 4, 1, kExists, false},
    // Before the image is read: a row it lacks is not what is said.
    {"ExistingIsRefusedFirst", true, {}, 99, 1, kExists, false},
    {"ExistingWithForce", true, {"--force"}, 4, 0, "", true},
    {"ForcedButTheRowHasNoScreen", true, {"--force"}, 2, 1,
     Refused("--png does not fit row 2 of savetap_test.tap; give --basic or --hex"), false},
    {"ForceWithoutPng", false, {"--hex", "--force"}, 4, 1, Refused("--force goes with --png"),
     false},
};
// clang-format on

class PngOut : public ::testing::TestWithParam<PngCase> {};

// OUT.png is written whole or not at all, and an existing one only with --force.
TEST_P(PngOut, ReplacesAFileOnlyWhenTold) {
    const PngCase& c = GetParam();
    TempDir dir;
    fs::copy_file(Savetap, dir / "savetap_test.tap");
    const test::Bytes before{'o', 'l', 'd'};
    if (c.existing) {
        TapeBuilder().Raw(before).WriteTo(dir / "OUT.png");
    }
    QStringList arguments{"view"};
    if (!c.options.contains("--hex")) {
        arguments << "--png"
                  << "OUT.png";
    }
    const Ran ran =
        RunBitreel(arguments + c.options + QStringList{"savetap_test.tap", QString::number(c.row)},
                   dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err, c.err);
    if (c.written) {
        EXPECT_EQ(QImage(Q(dir / "OUT.png"), "PNG").size(), QSize(256, 192));
    } else if (c.existing) {
        EXPECT_EQ(test::ReadFileBytes(dir / "OUT.png"), before);
    } else {
        EXPECT_FALSE(fs::exists(dir / "OUT.png"));
    }
    // Nothing else is left in the folder, such as a part of the picture.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
              1 + (c.written || c.existing ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Outs, PngOut, ::testing::ValuesIn(kPngs),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel
