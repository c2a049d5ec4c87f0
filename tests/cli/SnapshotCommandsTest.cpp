// Snapshots through the executable: converted to the loading tape's sound
// and TZX, listed at a speed, and every refusal writing nothing.
#include "cli/BitreelProcess.h"
#include "fastload/LoadingTape.h"
#include "fastload/SnapshotTapes.h"
#include "support/RenderedTape.h"
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
// starts with the bootstrap the ROM loads, and it is as long as the whole
// tape rendered at that speed and rate, fast blocks and all.
TEST(SnapshotConvert, WritesTheSoundOfTheTapeThatLoadsIt) {
    const struct {
        const char* in;
        const char* out;
        QStringList options;
        unsigned speed;
        std::uint32_t rate;
    } cases[] = {
        {"speccymac-technted.z80", "ted.wav", {}, fastload::DefaultSpeed, DefaultSampleRate},
        {"rustzx-tape_128k.sna", "t.wav", {"--rate", "48000"}, fastload::DefaultSpeed, 48'000},
        {"speccymac-technted.z80",
         "ted.flac",
         {"--invert", "--level", "50", "--speed", "2"},
         2,
         DefaultSampleRate},
        {"speccymac-technted.z80", "ted.csw", {"--speed", "1"}, 1, DefaultSampleRate}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const Ran ran =
            RunBitreel(QStringList{"convert", Q(SnapshotDir / c.in), Q(dir / c.out)} + c.options);
        ASSERT_EQ(ran.status, 0) << ran.err;
        const Ran listed = RunBitreel({"list", Q(dir / c.out)});
        EXPECT_NE(listed.out.find("Program     : bitreel"), std::string::npos) << listed.out;
        if (AudioFileTypeOf(dir / c.out) != AudioFileType::Csw) {
            fastload::InstallSnapshotTapes(c.speed);
            EXPECT_EQ(ReadSound(dir / c.out).samples.size(),
                      RenderTape(SnapshotDir / c.in, MachineKind::Spectrum, c.rate).samples.size());
        }
    }
    fastload::InstallSnapshotTapes(); // as the other tests expect it
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

// What is refused says why, writes nothing, and ends as for any file that
// cannot be read. IN is a kept snapshot, cut or edited.
TEST(SnapshotCommands, RefusalsSayWhyAndWriteNothing) {
    using Edits = std::vector<std::pair<std::size_t, std::uint8_t>>;
    const struct {
        QStringList command; // then IN, then OUT when one is named
        const char* file;
        std::size_t cutTo; // 0: whole
        Edits edits;
        const char* out;
        const char* said;
    } cases[] = {
        {{"convert"}, "speccymac-technted.z80", 100, {}, "o.wav", "the file ends before"},
        {{"convert"}, "zesarux-int_skip.sna", 49'178, {}, "o.tzx", "not the size a snapshot"},
        {{"convert"}, "zesarux-over48.z80", 0, {{30, 40}}, "o.flac", "a version of the format"},
        {{"convert"}, "zesarux-over48.z80", 0, {{34, 9}}, "o.csw", "a Pentagon 128 snapshot"},
        // SP 0x4000: 0x4002 once the .sna's PC is popped, no room for the tail.
        {{"convert"}, "zesarux-int_skip.sna", 0, {{23, 0}, {24, 0x40}}, "o.wav", "no room"},
        {{"convert"}, "speccymac-technted.z80", 0, {}, "o.tap", "no TAP form"},
        {{"convert", "--speed", "5"},
         "speccymac-technted.z80",
         0,
         {},
         "o.wav",
         "give 1 (slowest) to 4"},
        {{"convert", "--machine", "ace"},
         "speccymac-technted.z80",
         0,
         {},
         "o.wav",
         "a Spectrum program"},
        {{"play", "--port", "/dev/null"}, "speccymac-technted.z80", 0, {}, "", "sound card only"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.said));
        Bytes bytes = ReadFileBytes(SnapshotDir / c.file);
        bytes.resize(c.cutTo == 0 ? bytes.size() : c.cutTo);
        for (const auto& [at, value] : c.edits) {
            bytes.at(at) = value;
        }
        const fs::path in = dir / c.file;
        std::ofstream(in, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        const fs::path out = dir / c.out;
        const Ran ran = RunBitreel(c.command + QStringList{Q(in)} +
                                   (*c.out != '\0' ? QStringList{Q(out)} : QStringList{}));
        EXPECT_EQ(ran.status, 1);
        EXPECT_NE(ran.err.find(c.said), std::string::npos) << ran.err;
        EXPECT_FALSE(*c.out != '\0' && fs::exists(out));
    }
}

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
