// Snapshots through the executable: converted to the loading tape's sound
// and TZX, listed at a speed, and every refusal writing nothing.
#include "cli/BitreelProcess.h"
#include "fastload/LoadingTape.h"
#include "support/SnapshotFiles.h"
#include "support/SoundFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path Ted = SnapshotDir / "speccymac-technted.z80"; // 48K, .z80 v1

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Sound of each type, with the options any image takes; read back, it
// starts with the bootstrap the ROM loads.
TEST(SnapshotConvert, WritesTheSoundOfTheTapeThatLoadsIt) {
    const struct {
        const char* in;
        const char* out;
        QStringList options;
    } cases[] = {{"speccymac-technted.z80", "ted.wav", {}},
                 {"rustzx-tape_128k.sna", "t.wav", {"--rate", "48000"}},
                 {"speccymac-technted.z80", "ted.flac", {"--invert", "--level", "50"}},
                 {"speccymac-technted.z80", "ted.csw", {"--speed", "1"}}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const Ran ran =
            RunBitreel(QStringList{"convert", Q(SnapshotDir / c.in), Q(dir / c.out)} + c.options);
        ASSERT_EQ(ran.status, 0) << ran.err;
        const Ran listed = RunBitreel({"list", Q(dir / c.out)});
        EXPECT_NE(listed.out.find("Program     : bitreel"), std::string::npos) << listed.out;
    }
    EXPECT_EQ(ReadSound(dir / "t.wav").rate, 48'000);
}

// The TZX lists as the snapshot does at the speed asked for, and tzxlist
// reads it block by block.
TEST(SnapshotConvert, TzxListsAsTheSnapshotAtItsSpeed) {
    TempDir dir;
    for (const char* speed : {"1", "4"}) {
        SCOPED_TRACE(speed);
        const fs::path out = dir / (std::string("ted") + speed + ".tzx");
        const Ran ran = RunBitreel({"convert", "--speed", speed, Q(Ted), Q(out)});
        ASSERT_EQ(ran.status, 0) << ran.err;
        const Ran ofSnapshot = RunBitreel({"list", "--speed", speed, Q(Ted)});
        EXPECT_EQ(RunBitreel({"list", Q(out)}).out, ofSnapshot.out);
        EXPECT_EQ(ofSnapshot.out.rfind("Text        : Snapshot 48K: PC 0x", 0), 0u);
    }
    EXPECT_NE(ReadFileBytes(dir / "ted1.tzx"), ReadFileBytes(dir / "ted4.tzx"));
    if (std::string(BITREEL_TZXLIST).empty()) {
        GTEST_SKIP() << "tzxlist (fuse-emulator-utils) is not installed";
    }
    QProcess tzxlist;
    tzxlist.start(QStringLiteral(BITREEL_TZXLIST), {Q(dir / "ted4.tzx")});
    ASSERT_TRUE(tzxlist.waitForFinished(Timeout));
    EXPECT_EQ(tzxlist.exitCode(), 0);
    // The text, the bootstrap's two blocks at the ROM's timings, then every
    // fast block, one pulse a bit.
    const std::string listing = tzxlist.readAllStandardOutput().toStdString();
    EXPECT_EQ(CountOf(listing, "Block type 0x30"), 1u) << listing;
    EXPECT_EQ(CountOf(listing, "Block type 0x11"), 2u) << listing;
    EXPECT_EQ(
        CountOf(listing, "Block type 0x19"),
        fastload::BuildLoadingTape(TestSnapshot("speccymac-technted.z80"), 4).blockTexts.size() -
            2);
}

// ---- What is refused, and writes nothing ----

struct RefusalCase {
    const char* name;
    QStringList command; // then IN, then OUT when there is one
    const char* file;    // IN: a kept snapshot, cut or edited
    std::size_t cutTo;   // 0: whole
    std::vector<std::pair<std::size_t, std::uint8_t>> edits;
    const char* out;
    const char* said;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(SnapshotRefusal, SaysWhyAndWritesNothing) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    Bytes bytes = ReadFileBytes(SnapshotDir / c.file);
    bytes.resize(c.cutTo == 0 ? bytes.size() : c.cutTo);
    for (const auto& [at, value] : c.edits) {
        bytes.at(at) = value;
    }
    const fs::path in = dir / fs::path(c.file).filename();
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    QStringList command = c.command + QStringList{Q(in)};
    if (*c.out != '\0') {
        command << Q(dir / c.out);
    }
    const Ran ran = RunBitreel(command);
    EXPECT_EQ(ran.status, 1); // as for any file that cannot be read
    EXPECT_NE(ran.err.find(c.said), std::string::npos) << ran.err;
    EXPECT_FALSE(*c.out != '\0' && fs::exists(dir / c.out));
}

const QStringList Convert{"convert"};

INSTANTIATE_TEST_SUITE_P(
    Faults, SnapshotRefusal,
    testing::Values(RefusalCase{"cut",
                                Convert,
                                "speccymac-technted.z80",
                                100,
                                {},
                                "o.wav",
                                "the file ends before its snapshot does"},
                    RefusalCase{"wrong_size",
                                Convert,
                                "zesarux-int_skip.sna",
                                49'178,
                                {},
                                "o.tzx",
                                "not the size a snapshot"},
                    RefusalCase{"unknown_version",
                                Convert,
                                "zesarux-over48.z80",
                                0,
                                {{30, 40}},
                                "o.flac",
                                "a version of the format"},
                    RefusalCase{"pentagon",
                                Convert,
                                "zesarux-over48.z80",
                                0,
                                {{34, 9}},
                                "o.csw",
                                "a Pentagon 128 snapshot"},
                    // SP 0x4000 in the .sna: the program's stack, 0x4002 once its PC is
                    // popped, leaves the loader's last steps no room below it.
                    RefusalCase{"no_room_below_the_stack",
                                Convert,
                                "zesarux-int_skip.sna",
                                0,
                                {{23, 0x00}, {24, 0x40}},
                                "o.wav",
                                "the loader has no room"},
                    RefusalCase{
                        "to_tap", Convert, "speccymac-technted.z80", 0, {}, "o.tap", "no TAP form"},
                    RefusalCase{"speed_out_of_range",
                                {"convert", "--speed", "5"},
                                "speccymac-technted.z80",
                                0,
                                {},
                                "o.wav",
                                "--speed 5: give 1 (slowest) to 4"},
                    RefusalCase{"jupiter_ace",
                                {"convert", "--machine", "ace"},
                                "speccymac-technted.z80",
                                0,
                                {},
                                "o.wav",
                                "a snapshot is a Spectrum program"},
                    RefusalCase{"over_the_line",
                                {"play", "--port", "/dev/null"},
                                "speccymac-technted.z80",
                                0,
                                {},
                                "",
                                "plays through the sound card only (--audio)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Given for a tape, --speed changes nothing and says so.
TEST(SnapshotCommands, SpeedOnATapeIsIgnoredWithANote) {
    TempDir dir;
    std::ofstream(dir / "t.tap", std::ios::binary).write("\x02\x00\xFF\xFF", 4);
    const Ran ran = RunBitreel({"list", "--speed", "2", Q(dir / "t.tap")});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.err.find("--speed is for snapshots"), std::string::npos) << ran.err;
}

} // namespace
} // namespace bitreel::test
