// `bitreel companion` as a script runs it: the tape of each machine, as a
// TAP file or as the sound a ROM loads, and the usage it refuses.
#include "cli/BitreelProcess.h"
#include "companion/CompanionTapes.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Ran;
using test::ReadFileBytes;
using test::RunBitreel;
using test::TempDir;

struct CompanionCase {
    const char* name;
    QStringList arguments;
    int status;
    std::string err;            // the whole of standard error
    const char* made = nullptr; // the file that must then hold the machine's tape
    CompanionMachine machine = CompanionMachine::Spectrum128;
};

void PrintTo(const CompanionCase& c, std::ostream* out) {
    *out << c.name;
}

const CompanionCase kCases[] = {
    {"Spectrum128Tap", {"companion", "--for", "spectrum128", "C128.TAP"}, 0, "", "C128.TAP"},
    {"Interface1Tap",
     {"companion", "--for", "interface1", "if1.tap"},
     0,
     "",
     "if1.tap",
     CompanionMachine::Interface1},
    {"Interface1Sound",
     {"companion", "--for", "interface1", "--rate", "48000", "IF1.WAV"},
     0,
     "",
     "IF1.WAV",
     CompanionMachine::Interface1},
    {"ReplacedWhenForced",
     {"companion", "--for", "spectrum128", "--force", "OLD.TAP"},
     0,
     "",
     "OLD.TAP"},
    {"NoMachine",
     {"companion", "OUT.TAP"},
     1,
     "bitreel: companion: give --for spectrum128 or --for interface1 (see bitreel companion "
     "--help)\n"},
    {"OtherMachine",
     {"companion", "--for", "zx81", "OUT.TAP"},
     1,
     "bitreel: companion: --for zx81: give spectrum128 or interface1 (see bitreel companion "
     "--help)\n"},
    {"KeepsAnExistingOut",
     {"companion", "--for", "spectrum128", "OLD.TAP"},
     1,
     "bitreel: OLD.TAP exists; give --force to overwrite it\n"},
    {"NeitherTapeNorSound",
     {"companion", "--for", "spectrum128", "OUT.TXT"},
     1,
     "bitreel: companion: OUT is a .tap file or a sound file (.wav, .flac or .csw) (see "
     "bitreel companion --help)\n"},
    {"SoundOptionsForATap",
     {"companion", "--for", "spectrum128", "--invert", "OUT.TAP"},
     1,
     "bitreel: companion: --rate, --invert and --level are for a sound file OUT (.wav, .flac "
     "or .csw) (see bitreel companion --help)\n"},
};

class CompanionCommand : public ::testing::TestWithParam<CompanionCase> {};

// A sound file as the ROM hears it: audio2tape's blocks, as a TAP file.
Bytes Heard(const fs::path& sound, const fs::path& dir) {
    const std::string audio2tape = BITREEL_AUDIO2TAPE;
    const std::string tapeconv = BITREEL_TAPECONV;
    const std::string quiet = " >/dev/null 2>&1";
    if (std::system((audio2tape + " -r '" + sound.string() + "' '" + (dir / "back.tzx").string() +
                     "'" + quiet)
                        .c_str()) != 0 ||
        std::system((tapeconv + " '" + (dir / "back.tzx").string() + "' '" +
                     (dir / "back.tap").string() + "'" + quiet)
                        .c_str()) != 0) {
        return {};
    }
    return ReadFileBytes(dir / "back.tap");
}

TEST_P(CompanionCommand, WritesTheMachinesTape) {
    const CompanionCase& c = GetParam();
    const bool sound = c.made && std::string(c.made).ends_with(".WAV");
    if (sound &&
        (std::string(BITREEL_AUDIO2TAPE).empty() || std::string(BITREEL_TAPECONV).empty())) {
        GTEST_SKIP() << "audio2tape or tapeconv not installed (Debian: fuse-emulator-utils)";
    }
    TempDir dir;
    test::TapeBuilder().Raw({1, 2, 3}).WriteTo(dir / "OLD.TAP");
    const Ran ran = RunBitreel(c.arguments, dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err, c.err);
    if (c.made) {
        const auto tape = CompanionTape(c.machine);
        const Bytes want(tape.begin(), tape.end());
        EXPECT_EQ(sound ? Heard(dir / c.made, dir.path()) : ReadFileBytes(dir / c.made), want);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CompanionCommand, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel
