// Snapshots through the executable: converted to the loading tape's sound
// and TZX, listed, viewed and played, and every refusal writing nothing.
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

const fs::path Ted = SnapshotDir / "speccymac-technted.z80";   // 48K, .z80 v1
const fs::path Tape128 = SnapshotDir / "rustzx-tape_128k.sna"; // 128K .sna

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes Edited(const fs::path& from, std::size_t size,
             std::initializer_list<std::pair<std::size_t, std::uint8_t>> edits = {}) {
    Bytes bytes = ReadFileBytes(from);
    bytes.resize(size == 0 ? bytes.size() : size);
    for (const auto& [at, value] : edits) {
        bytes.at(at) = value;
    }
    return bytes;
}

std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// ---- convert: the loading tape as sound and as TZX ----

struct ConvertCase {
    const char* name;
    fs::path in;
    const char* out;
    QStringList options;
};

void PrintTo(const ConvertCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotConvert : public testing::TestWithParam<ConvertCase> {};

TEST_P(SnapshotConvert, WritesTheTapeThatLoadsIt) {
    const ConvertCase& c = GetParam();
    TempDir dir;
    const fs::path out = dir / c.out;
    const Ran ran = RunBitreel(QStringList{"convert", Q(c.in), Q(out)} + c.options);
    ASSERT_EQ(ran.status, 0) << ran.err;
    // Read back, the sound starts with the bootstrap the ROM loads.
    const Ran listed = RunBitreel({"list", Q(out)});
    EXPECT_NE(listed.out.find("Program     : bitreel"), std::string::npos) << listed.out;
    if (c.options.contains("--rate")) {
        EXPECT_EQ(ReadSound(out).rate, 48'000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sound, SnapshotConvert,
    testing::Values(ConvertCase{"wav_48K", Ted, "ted.wav", {}},
                    ConvertCase{"wav_128K_at_48kHz", Tape128, "t.wav", {"--rate", "48000"}},
                    ConvertCase{"flac_inverted", Ted, "ted.flac", {"--invert", "--level", "50"}},
                    ConvertCase{"csw_slowest", Ted, "ted.csw", {"--speed", "1"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The TZX is the image's own bytes at the speed asked for; tzxlist reads it
// block by block, and Bitreel lists it as it lists the snapshot.
TEST(SnapshotConvert, TzxIsTheImageAtItsSpeed) {
    TempDir dir;
    const Snapshot snapshot = TestSnapshot("speccymac-technted.z80");
    for (const unsigned speed : {fastload::SlowestSpeed, fastload::DefaultSpeed}) {
        SCOPED_TRACE(speed);
        const fs::path out = dir / ("ted" + std::to_string(speed) + ".tzx");
        const Ran ran = RunBitreel({"convert", "--speed", QString::number(speed), Q(Ted), Q(out)});
        ASSERT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ReadFileBytes(out), fastload::LoadingTapeTzx(snapshot, speed));
        const Ran ofTzx = RunBitreel({"list", Q(out)});
        const Ran ofSnapshot = RunBitreel({"list", "--speed", QString::number(speed), Q(Ted)});
        EXPECT_EQ(ofTzx.out, ofSnapshot.out);
        EXPECT_EQ(ofSnapshot.out.rfind("Text        : Snapshot 48K: PC 0x", 0), 0u) << ofSnapshot.out;
    }
    if (std::string(BITREEL_TZXLIST).empty()) {
        GTEST_SKIP() << "tzxlist (fuse-emulator-utils) is not installed";
    }
    QProcess tzxlist;
    tzxlist.start(QStringLiteral(BITREEL_TZXLIST), {Q(dir / "ted4.tzx")});
    ASSERT_TRUE(tzxlist.waitForFinished(Timeout));
    EXPECT_EQ(tzxlist.exitCode(), 0) << tzxlist.readAllStandardError().toStdString();
    // The text, the bootstrap's two blocks at the ROM's timings, then every
    // fast block, one pulse a bit.
    const std::string listing = tzxlist.readAllStandardOutput().toStdString();
    EXPECT_EQ(CountOf(listing, "Block type 0x30"), 1u) << listing;
    EXPECT_EQ(CountOf(listing, "Block type 0x11"), 2u) << listing;
    EXPECT_EQ(CountOf(listing, "Block type 0x19"),
              fastload::BuildLoadingTape(snapshot, fastload::DefaultSpeed).blockTexts.size() - 2)
        << listing;
}

// ---- What is refused, and writes nothing ----

struct RefusalCase {
    const char* name;
    Bytes in; // written as the file named file
    const char* file;
    QStringList command; // IN and OUT follow, OUT named out
    const char* out;
    int status;
    const char* said;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(SnapshotRefusal, SaysWhyAndWritesNothing) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir / c.file, c.in);
    const Ran ran = RunBitreel(c.command + QStringList{Q(dir / c.file), Q(dir / c.out)});
    EXPECT_EQ(ran.status, c.status);
    EXPECT_NE(ran.err.find(c.said), std::string::npos) << ran.err;
    EXPECT_FALSE(fs::exists(dir / c.out));
}

const Bytes TedBytes = ReadFileBytes(Ted);
const Bytes Over48 = ReadFileBytes(SnapshotDir / "zesarux-over48.z80"); // v3
const Bytes IntSkip = ReadFileBytes(SnapshotDir / "zesarux-int_skip.sna");

INSTANTIATE_TEST_SUITE_P(
    Faults, SnapshotRefusal,
    testing::Values(
        RefusalCase{"cut",
                    Edited(Ted, 100),
                    "cut.z80",
                    {"convert"},
                    "o.wav",
                    1,
                    "the file ends before its snapshot does"},
        RefusalCase{"wrong_size",
                    Edited(SnapshotDir / "zesarux-int_skip.sna", 49'178),
                    "short.sna",
                    {"convert"},
                    "o.tzx",
                    1,
                    "not the size a snapshot"},
        RefusalCase{"unknown_version",
                    Edited(SnapshotDir / "zesarux-over48.z80", 0, {{30, 40}}),
                    "v.z80",
                    {"convert"},
                    "o.flac",
                    1,
                    "a version of the format"},
        RefusalCase{"pentagon",
                    Edited(SnapshotDir / "zesarux-over48.z80", 0, {{34, 9}}),
                    "p.z80",
                    {"convert"},
                    "o.csw",
                    1,
                    "Pentagon"},
        // SP 0x4000 in the .sna: the program's stack, 0x4002 once its PC is
        // popped, leaves the loader's last steps no room below it.
        RefusalCase{"no_room_below_the_stack",
                    Edited(SnapshotDir / "zesarux-int_skip.sna", 0, {{23, 0x00}, {24, 0x40}}),
                    "sp.sna",
                    {"convert"},
                    "o.wav",
                    1,
                    "the loader has no room"},
        RefusalCase{"to_tap", TedBytes, "t.z80", {"convert"}, "o.tap", 1, "no TAP form"},
        RefusalCase{"speed_out_of_range",
                    TedBytes,
                    "t.z80",
                    {"convert", "--speed", "5"},
                    "o.wav",
                    1,
                    "--speed 5: give 1 (slowest) to 4"},
        RefusalCase{"ace",
                    TedBytes,
                    "t.z80",
                    {"convert", "--machine", "ace"},
                    "o.tzx",
                    1,
                    "a snapshot is a Spectrum program"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- play, view and --speed on other files ----

TEST(SnapshotCommands, PlayOverTheLineIsRefused) {
    const Ran ran = RunBitreel({"play", "--port", "/dev/null", Q(Ted)});
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.err.find("plays through the sound card only (--audio)"), std::string::npos)
        << ran.err;
}

TEST(SnapshotCommands, ViewShowsTheRowsOfTheLoadingTape) {
    const Ran ran = RunBitreel({"view", Q(Ted), "1"});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out.rfind("Text        : Snapshot 48K: PC 0x", 0), 0u) << ran.out;
}

TEST(SnapshotCommands, SpeedOnATapeIsIgnoredWithANote) {
    TempDir dir;
    WriteBytes(dir / "t.tap", {2, 0, 0xFF, 0xFF});
    const Ran ran = RunBitreel({"list", "--speed", "2", Q(dir / "t.tap")});
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(ran.err.find("--speed is for snapshots"), std::string::npos) << ran.err;
}

} // namespace
} // namespace bitreel::test
