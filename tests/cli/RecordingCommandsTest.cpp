// Recordings through the executable: rescue merging takes into one TZX,
// list --decode reading the sound a TZX stores, and a Jupiter Ace tape's
// recording listed and converted as the Ace tape it is.
#include "cli/BitreelProcess.h"
#include "support/Degradations.h"
#include "support/RenderedTape.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
constexpr std::uint32_t Rate = 44'100;

// A tape of two code files and two takes of it, each with a 20 ms dropout
// half way through the bits of the blocks given (counted from 0).
struct Takes {
    TempDir dir;
    fs::path tap = dir.path() / "t.tap";

    Takes(const std::vector<std::size_t>& first, const std::vector<std::size_t>& second) {
        WriteCodeTape(tap, {300, 200});
        const RenderedTape tape = RenderTape(tap, MachineKind::Spectrum, Rate);
        const auto spans = BitSpans(tape.samples, Rate, MachineKind::Spectrum);
        int n = 1;
        for (const auto* blocks : {&first, &second}) {
            Sound samples = tape.samples;
            for (const std::size_t b : *blocks) {
                AddDropout(samples, (spans[b].first + spans[b].second) / 2, 20, Rate);
            }
            WriteWav(dir.path() / ("take" + std::to_string(n++) + ".wav"), samples, Rate);
        }
    }
    QString Take(int n) const { return Q(dir.path() / ("take" + std::to_string(n) + ".wav")); }
    fs::path Out() const { return dir.path() / "out.tzx"; }
    Ran Rescue() const { return RunBitreel({"rescue", "--out", Q(Out()), Take(1), Take(2)}); }
};

TEST(RescueCommand, TakesEachBlockFromATakeThatReadIt) {
    const Takes takes({1}, {3});
    const Ran ran = takes.Rescue();
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto report = Lines(ran.out);
    ASSERT_EQ(report.size(), 5u) << ran.out;
    EXPECT_EQ(report[0], "block 1 (Code        : code300    [Start=32768, Length=300]): take 1");
    EXPECT_EQ(report[1], "block 2 ({Data block [Length=300]}): take 2");
    EXPECT_EQ(report[3], "block 4 ({Data block [Length=200]}): take 1");
    EXPECT_EQ(report[4], "4 blocks, none damaged");
    // OUT holds the tape's blocks, as the TAP file sends them.
    ASSERT_EQ(RunBitreel({"convert", Q(takes.Out()), Q(takes.dir.path() / "back.tap")}).status, 0);
    EXPECT_EQ(ReadFileBytes(takes.dir.path() / "back.tap"), ReadFileBytes(takes.tap));
}

TEST(RescueCommand, ABlockNoTakeReadsStaysDamaged) {
    const Takes takes({3}, {3});
    const Ran ran = takes.Rescue();
    EXPECT_EQ(ran.status, 2) << ran.err;
    const auto report = Lines(ran.out);
    ASSERT_EQ(report.size(), 5u) << ran.out;
    EXPECT_NE(report[3].find(", damaged: least certain bits "), std::string::npos) << report[3];
    EXPECT_NE(report[3].find("1 dropout bridged"), std::string::npos) << report[3];
    EXPECT_EQ(report[4], "4 blocks, 1 damaged");
    // Written all the same, the damaged block after its text.
    const Ran listed = RunBitreel({"list", Q(takes.Out())});
    EXPECT_NE(listed.out.find("(Invalid Checksum)"), std::string::npos) << listed.out;
}

TEST(RescueCommand, CountsOneBlockAsOne) {
    TempDir dir;
    TzxBuilder().Standard(DataBytes(0xFF, Bytes(50, 0x33))).WriteTo(dir.path() / "t.tzx");
    const RenderedTape tape = RenderTape(dir.path() / "t.tzx", MachineKind::Spectrum, Rate);
    WriteWav(dir.path() / "1.wav", tape.samples, Rate);
    WriteWav(dir.path() / "2.wav", tape.samples, Rate);
    const Ran ran = RunBitreel({"rescue", "--out", Q(dir.path() / "out.tzx"),
                                Q(dir.path() / "1.wav"), Q(dir.path() / "2.wav")});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(Lines(ran.out).back(), "1 block, none damaged");
}

// Sound between two blocks that no take understands is the tape's when
// both takes hold it: OUT keeps it once, as a direct recording. A 150 ms dropout cuts the
// last block of the second take, whose tail only that take holds: not kept.
TEST(RescueCommand, KeepsTheSoundBothTakesHoldOnce) {
    TempDir dir;
    const Bytes code(100, 0x5A);
    const Bytes header = DataBytes(0, SpectrumHeader(3, "custom", 100, 32768, 0));
    std::vector<unsigned> pulses;
    for (unsigned k = 0; k < 100; ++k) { // a loader's own bits
        const unsigned p = k * 7 % 3 == 0 ? 1200 : 600;
        pulses.insert(pulses.end(), {p, p});
    }
    TzxBuilder()
        .Standard(header)
        .Standard(DataBytes(0xFF, code))
        .PureTone(1000, 150)
        .Pulses(pulses)
        .Pause(1000)
        .Standard(header)
        .Standard(DataBytes(0xFF, code))
        .WriteTo(dir.path() / "t.tzx");
    const RenderedTape tape = RenderTape(dir.path() / "t.tzx", MachineKind::Spectrum, Rate);
    const auto spans = BitSpans(tape.samples, Rate, MachineKind::Spectrum);
    ASSERT_EQ(spans.size(), 4u);
    Sound cut = tape.samples;
    AddDropout(cut, (spans[3].first + spans[3].second) / 2, 150, Rate);
    WriteWav(dir.path() / "1.wav", tape.samples, Rate);
    WriteWav(dir.path() / "2.wav", cut, Rate);
    const Ran ran = RunBitreel({"rescue", "--out", Q(dir.path() / "out.tzx"),
                                Q(dir.path() / "1.wav"), Q(dir.path() / "2.wav")});
    ASSERT_EQ(ran.status, 0) << ran.err;
    const auto report = Lines(ran.out);
    ASSERT_EQ(report.size(), 6u) << ran.out;
    EXPECT_EQ(report[2].rfind("stretch (Direct rec. : ", 0), 0u) << report[2];
    EXPECT_NE(report[2].find(" s [not sent]): not understood, kept as sound from take "),
              std::string::npos)
        << report[2];
    EXPECT_EQ(report[4], "block 4 ({Data block [Length=100]}): take 1");
    EXPECT_EQ(report[5], "4 blocks, none damaged, 1 stretch of sound kept");
    // Everything from the whole take, pauses and all: what convert makes of it.
    ASSERT_EQ(RunBitreel({"convert", Q(dir.path() / "1.wav"), Q(dir.path() / "1.tzx")}).status, 0);
    const Bytes tzx = ReadFileBytes(dir.path() / "1.tzx");
    EXPECT_EQ(ReadFileBytes(dir.path() / "out.tzx"), tzx);
    // The direct recording after the signature and the two standard blocks:
    // its pause is the tape's second of silence after the sound.
    const std::size_t direct = 10 + (5 + 19) + (5 + 102);
    ASSERT_GT(tzx.size(), direct + 4);
    ASSERT_EQ(tzx[direct], 0x15);
    EXPECT_NEAR(tzx[direct + 3] | tzx[direct + 4] << 8, 1000, 5);
}

struct Refusal {
    const char* name;
    std::vector<const char*> arguments; // TAKE1, TAKE2, OUT, OLD and NOTES stand for files
    const char* error;
};

void PrintTo(const Refusal& r, std::ostream* out) {
    *out << r.name;
}

class RescueRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(RescueRefuses, WithOneLineAndNoFile) {
    static const Takes takes({}, {});
    const fs::path old = takes.dir.path() / "old.tzx";
    const fs::path notes = takes.dir.path() / "notes.wav";
    TapeBuilder().Raw({1, 2, 3}).WriteTo(old);
    TapeBuilder().Raw({'n', 'o', 't', 'e', 's'}).WriteTo(notes);
    QStringList arguments{"rescue"};
    for (const std::string word : GetParam().arguments) {
        arguments << (word == "TAKE1"   ? takes.Take(1)
                      : word == "TAKE2" ? takes.Take(2)
                      : word == "OUT"   ? Q(takes.Out())
                      : word == "OLD"   ? Q(old)
                      : word == "NOTES" ? Q(notes)
                                        : QString::fromStdString(word));
    }
    const Ran ran = RunBitreel(arguments);
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.err.find(GetParam().error), std::string::npos) << ran.err;
    EXPECT_FALSE(fs::exists(takes.Out()));
    EXPECT_EQ(ReadFileBytes(old), (Bytes{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RescueRefuses,
    testing::Values(Refusal{"OneTake", {"--out", "OUT", "TAKE1"}, "give two or more TAKEs"},
                    Refusal{"NoOut", {"TAKE1", "TAKE2"}, "give --out OUT.tzx"},
                    Refusal{"OutNotTzx", {"--out", "x.tap", "TAKE1", "TAKE2"}, "a .tzx file"},
                    Refusal{"ExistingOut", {"--out", "OLD", "TAKE1", "TAKE2"}, "--force"},
                    Refusal{"NotSound", {"--out", "OUT", "TAKE1", "NOTES"}, "notes.wav"},
                    Refusal{"Missing", {"--out", "OUT", "TAKE1", "gone.wav"}, "gone.wav"}),
    [](const auto& info) { return std::string(info.param.name); });

// The sound of a tape as a TZX stores it: one bit a sample (0x15), or its
// pulses run-length coded (0x18).
enum class Stored { Direct, Csw };

class ListDecode : public testing::TestWithParam<Stored> {};

TEST_P(ListDecode, ListsTheBlocksInTheSoundUnderItsRow) {
    TempDir dir;
    WriteCodeTape(dir.path() / "t.tap", {40});
    const RenderedTape tape = RenderTape(dir.path() / "t.tap", MachineKind::Spectrum, Rate);
    Bytes stored;
    std::uint32_t pulses = 0;
    if (GetParam() == Stored::Direct) {
        stored.resize((tape.samples.size() + 7) / 8);
        for (std::size_t i = 0; i < tape.samples.size(); ++i) {
            stored[i / 8] |= tape.samples[i] > 0 ? 0x80 >> (i % 8) : 0;
        }
    } else {
        const auto high = [&](std::size_t i) { return tape.samples[i] > 0; };
        std::size_t run = 0;
        for (std::size_t i = 0; i < tape.samples.size(); ++i) {
            ++run;
            if (i + 1 == tape.samples.size() || high(i + 1) != high(i)) {
                if (run > 0xFF) {
                    stored.insert(stored.end(), {0, std::uint8_t(run), std::uint8_t(run >> 8),
                                                 std::uint8_t(run >> 16), 0});
                } else {
                    stored.push_back(std::uint8_t(run));
                }
                ++pulses;
                run = 0;
            }
        }
    }
    TzxBuilder tzx;
    tzx.Text("side A");
    if (GetParam() == Stored::Direct) {
        tzx.DirectRecording(79, 8, stored); // 3.5 MHz / 79: 44,304 samples a second
    } else {
        tzx.Csw(pulses, stored);
    }
    TapeBuilder().Raw(tzx.bytes()).WriteTo(dir.path() / "rec.tzx");

    const Ran plain = RunBitreel({"list", Q(dir.path() / "rec.tzx")});
    const Ran decoded = RunBitreel({"list", "--decode", Q(dir.path() / "rec.tzx")});
    const Ran blocks = RunBitreel({"list", Q(dir.path() / "t.tap")});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    std::vector<std::string> want = Lines(plain.out);
    for (const std::string& row : Lines(blocks.out)) {
        want.push_back("  " + row);
    }
    EXPECT_EQ(Lines(decoded.out), want);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ListDecode, testing::Values(Stored::Direct, Stored::Csw),
                         [](const auto& info) {
                             return info.param == Stored::Direct ? "Direct" : "Csw";
                         });

TEST(ListDecode, IsForTextRows) {
    const Ran ran = RunBitreel({"list", "--decode", "--json", "x.tzx"});
    EXPECT_EQ(ran.status, 1);
    EXPECT_NE(ran.err.find("without --json"), std::string::npos) << ran.err;
}

// A recording's block read damaged is written as read, to a file of blocks
// and to a TZX alike, and said so with status 2.
TEST(ConvertRecording, SaysEachBlockWrittenDamaged) {
    const Takes takes({3}, {});
    for (const char* out : {"out.tap", "out.tzx"}) {
        const Ran ran = RunBitreel({"convert", takes.Take(1), Q(takes.dir.path() / out)});
        EXPECT_EQ(ran.status, 2) << out;
        EXPECT_NE(ran.err.find(" written damaged: {Data block [Length=200]} (Invalid Checksum); "
                               "least certain bits "),
                  std::string::npos)
            << out << ": " << ran.err;
        EXPECT_EQ(ran.err.find("left out"), std::string::npos) << ran.err;
    }
}

// An Ace tape played into a sound file reads back as the Ace tape, with no
// --machine: the same rows after the one naming the machine, the same Ace
// TAP file, and the same rows rescued.
TEST(AceRecording, ListsAndConvertsAsTheAceTape) {
    TempDir dir;
    const fs::path tap = fs::path(BITREEL_CORPUS_DIR) / "ace" / "test.tap";
    const fs::path wav = dir.path() / "ace.wav";
    ASSERT_EQ(RunBitreel({"convert", "--machine", "ace", Q(tap), Q(wav)}).status, 0);
    const Ran fromTap = RunBitreel({"list", "--machine", "ace", Q(tap)});
    const Ran fromWav = RunBitreel({"list", Q(wav)});
    ASSERT_EQ(fromWav.status, 0) << fromWav.err;
    std::vector<std::string> want = Lines(fromTap.out);
    want.insert(want.begin(), "Hardware    : 1 type");
    EXPECT_EQ(Lines(fromWav.out), want);
    ASSERT_EQ(RunBitreel({"convert", Q(wav), Q(dir.path() / "back.tap")}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.path() / "back.tap"), ReadFileBytes(tap));
    // Rescued from two takes it is the Ace tape still.
    const fs::path out = dir.path() / "out.tzx";
    ASSERT_EQ(RunBitreel({"rescue", "--out", Q(out), Q(wav), Q(wav)}).status, 0);
    EXPECT_EQ(Lines(RunBitreel({"list", Q(out)}).out), want);
}

// What a worn cassette and its player do, as a user meets them: the
// degraded recording converted by the executable gives back the tape's TAP
// file byte for byte. The decoder's own table (DecoderTest) takes each
// degradation on its own; here those it does not, and all at once.
struct WornCase {
    const char* name;
    std::function<void(Sound&)> wear;
};

void PrintTo(const WornCase& c, std::ostream* os) {
    *os << c.name;
}

class WornRecording : public testing::TestWithParam<WornCase> {};

TEST_P(WornRecording, ConvertsBackToTheTape) {
    TempDir dir;
    const fs::path tap = fs::path(BITREEL_CORPUS_DIR) / "spectrum" / "standard-tap.tap";
    Sound sound = RenderTape(tap, MachineKind::Spectrum, Rate).samples;
    GetParam().wear(sound);
    WriteWav(dir.path() / "worn.wav", sound, Rate);
    const Ran converted =
        RunBitreel({"convert", Q(dir.path() / "worn.wav"), Q(dir.path() / "back.tap")});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(ReadFileBytes(dir.path() / "back.tap"), ReadFileBytes(tap));
}

INSTANTIATE_TEST_SUITE_P(
    Wear, WornRecording,
    testing::Values(WornCase{"Wow2Percent", [](Sound& s) { Wow(s, 0.02, 0.5, Rate); }},
                    WornCase{"Clipped", [](Sound& s) { Scale(s, 4), Clip(s, 0.5f); }},
                    WornCase{"AllAtOnce",
                             [](Sound& s) {
                                 LowPass(s, 4000, Rate);
                                 Wow(s, 0.01, 0.5, Rate);
                                 Hum(s, 50, 0.1, Rate);
                                 AddNoise(s, 20);
                             }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel::test
