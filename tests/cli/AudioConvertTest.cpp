// `bitreel convert IN OUT.wav` as a script runs it: the sound file its
// options ask for, the rows it names on standard error, and its exit status.
#include "cli/BitreelProcess.h"
#include "support/SoundFile.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace bitreel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::DataBytes;
using test::Ran;
using test::RunBitreel;
using test::SpectrumHeader;
using test::TapeBuilder;
using test::TempDir;
using test::TzxBuilder;

const Bytes Header = DataBytes(0x00, SpectrumHeader(3, "tune", 3, 32768, 0));
const Bytes Data = DataBytes(0xFF, {1, 2, 3});

// Two rows, then a block whose length runs past the end of the file.
void WriteImages(const TempDir& dir) {
    TapeBuilder()
        .Length(static_cast<unsigned>(Header.size()))
        .Raw(Header)
        .Length(static_cast<unsigned>(Data.size()))
        .Raw(Data)
        .WriteTo(dir / "GOOD.TAP");
    TapeBuilder()
        .Length(static_cast<unsigned>(Header.size()))
        .Raw(Header)
        .Length(900)
        .Raw({1, 2, 3})
        .WriteTo(dir / "CORRUPT.TAP");
    TzxBuilder().Standard(Header).StopIf48K().Standard(Data).WriteTo(dir / "STOP.TZX");
    TzxBuilder().Select({"fast", "slow"}).Standard(Data).WriteTo(dir / "SELECT.TZX");
    TapeBuilder().Raw({'R', 'I', 'F', 'F'}).WriteTo(dir / "THERE.WAV");
}

struct AudioCase {
    const char* name;
    QStringList arguments;
    int status;
    std::string err;            // the whole of standard error
    const char* made = nullptr; // the sound file that must then be there
};

// What convert says of options it refuses, on standard error.
std::string Usage(const std::string& why) {
    return "bitreel: convert: " + why + " (see bitreel convert --help)\n";
}

void PrintTo(const AudioCase& c, std::ostream* out) {
    *out << c.name;
}

const AudioCase kCases[] = {
    {"Wav", {"convert", "GOOD.TAP", "OUT.wav"}, 0, "", "OUT.wav"},
    {"FlacInCapitals", {"convert", "GOOD.TAP", "OUT.FLAC"}, 0, "", "OUT.FLAC"},
    {"Csw", {"convert", "--rate", "96000", "GOOD.TAP", "OUT.csw"}, 0, "", "OUT.csw"},
    {"StopBlockNamed",
     {"convert", "STOP.TZX", "OUT.wav"},
     0,
     "bitreel: STOP.TZX: row 2 (Stop tape (48K)) stops the tape: 2 seconds of silence stand for "
     "it\n",
     "OUT.wav"},
    {"SelectBlockNamed",
     {"convert", "SELECT.TZX", "OUT.wav"},
     0,
     "bitreel: SELECT.TZX: row 1 (Select      : 2 choices) is a select block: its first choice is "
     "taken\n",
     "OUT.wav"},
    {"CorruptEndsTheSound",
     {"convert", "CORRUPT.TAP", "OUT.wav"},
     2,
     "bitreel: CORRUPT.TAP: row 2 (Corrupt block) is corrupt: the sound ends before it\n",
     "OUT.wav"},
    {"UpToTheCorruptRow", {"convert", "--to", "1", "CORRUPT.TAP", "OUT.wav"}, 0, "", "OUT.wav"},
    {"SoundOptionsForATape",
     {"convert", "--rate", "48000", "STOP.TZX", "OUT.TAP"},
     1,
     Usage("--from, --to, --rate, --invert and --level are for a sound file OUT (.wav, .flac or "
           ".csw)")},
    {"ExistingOutKept",
     {"convert", "GOOD.TAP", "THERE.WAV"},
     1,
     "bitreel: THERE.WAV exists; give --force to overwrite it\n"},
    {"ExistingOutReplaced", {"convert", "--force", "GOOD.TAP", "THERE.WAV"}, 0, "", "THERE.WAV"},
    {"MissingIn",
     {"convert", "GONE.TAP", "OUT.wav"},
     1,
     "bitreel: cannot open GONE.TAP: No such file or directory\n"},
    {"OutInAMissingFolder",
     {"convert", "GOOD.TAP", "no/OUT.wav"},
     1,
     "bitreel: cannot create no/OUT.wav: No such file or directory\n"},
};

// Options convert refuses for GOOD.TAP OUT.wav: status 1, why, and no file.
struct Refused {
    const char* name;
    QStringList options;
    const char* why;
};

const Refused kRefused[] = {
    {"RateRefused", {"--rate", "44000"}, "--rate 44000: give 22050, 44100, 48000 or 96000"},
    {"RateNotANumber", {"--rate", "fast"}, "--rate fast: give 22050, 44100, 48000 or 96000"},
    {"LevelZero", {"--level", "0"}, "--level 0: give a percentage from 1 to 100"},
    {"LevelAboveFullScale", {"--level", "101"}, "--level 101: give a percentage from 1 to 100"},
    {"FromZero", {"--from", "0"}, "--from 0: rows count from 1; GOOD.TAP has rows 1 to 2"},
    {"ToPastTheEnd", {"--to", "3"}, "--to 3: GOOD.TAP has rows 1 to 2"},
    {"ToBeforeFrom", {"--from", "2", "--to", "1"}, "--to 1 comes before --from 2"},
};

std::vector<AudioCase> Cases() {
    std::vector<AudioCase> cases(std::begin(kCases), std::end(kCases));
    for (const Refused& r : kRefused) {
        const QStringList arguments =
            QStringList{"convert"} + r.options + QStringList{"GOOD.TAP", "OUT.wav"};
        cases.push_back({r.name, arguments, 1, Usage(r.why)});
    }
    return cases;
}

class AudioConvert : public testing::TestWithParam<AudioCase> {};

TEST_P(AudioConvert, StatusMessageAndFile) {
    const AudioCase& c = GetParam();
    TempDir dir;
    WriteImages(dir);
    const Ran ran = RunBitreel(c.arguments, dir.path());
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err, c.err);
    EXPECT_EQ(ran.out, "");
    if (c.made != nullptr && fs::path(c.made).extension() == ".csw") {
        const Bytes csw = test::ReadFileBytes(dir / c.made);
        EXPECT_EQ(std::string(csw.begin(), csw.begin() + std::min<std::size_t>(22, csw.size())),
                  "Compressed Square Wave");
    } else if (c.made != nullptr) {
        EXPECT_FALSE(test::ReadSound(dir / c.made).samples.empty());
    } else {
        EXPECT_FALSE(fs::exists(dir / "OUT.wav")) << "a refused command wrote nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AudioConvert, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AudioConvert, RateInvertAndLevelReachTheFile) {
    TempDir dir;
    WriteImages(dir);
    const Ran ran = RunBitreel(
        {"convert", "--rate", "22050", "--invert", "--level", "50", "GOOD.TAP", "OUT.wav"},
        dir.path());
    ASSERT_EQ(ran.status, 0) << ran.err;
    const test::Sound sound = test::ReadSound(dir / "OUT.wav");
    const auto& samples = sound.samples;
    EXPECT_EQ(sound.rate, 22'050);
    ASSERT_FALSE(samples.empty());
    // Inverted, the silence at rest is the positive peak: half of full scale.
    EXPECT_EQ(samples.front(), 16384);
    EXPECT_EQ(*std::min_element(samples.begin(), samples.end()), -16384);
}

} // namespace
} // namespace bitreel
