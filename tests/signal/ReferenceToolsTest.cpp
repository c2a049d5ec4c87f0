// Bitreel's sound of every Spectrum tape of the corpus against Debian's
// fuse-emulator-utils: audio2tape must read the same blocks back from it,
// and tape2wav must make the same pulses.
#include "signal/render/TapeAudioFile.h"
#include "support/SoundFile.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

std::vector<fs::path> SpectrumCorpus() {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry :
         fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "spectrum", ec)) {
        if (entry.path().extension() == ".tap") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Runs a command with its output kept in log, for the failure's message.
bool RunTool(const std::string& command, const fs::path& log) {
    return std::system((command + " > " + Quoted(log) + " 2>&1").c_str()) == 0;
}

std::string LogText(const fs::path& log) {
    const auto bytes = ReadFileBytes(log);
    return std::string(bytes.begin(), bytes.end());
}

fs::path WriteWav(const fs::path& tap, const fs::path& wav) {
    TapeImage image(tap, MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    const TapeAudioResult result =
        WriteTapeAudio(image, {}, RenderOptions{}, wav, AudioFileType::Wav);
    EXPECT_FALSE(result.corruptRow);
    return wav;
}

class Corpus : public testing::TestWithParam<fs::path> {};

TEST_P(Corpus, Audio2tapeReadsTheSameBlocksBack) {
    const std::string audio2tape = BITREEL_AUDIO2TAPE;
    const std::string tapeconv = BITREEL_TAPECONV;
    if (audio2tape.empty() || tapeconv.empty()) {
        GTEST_SKIP() << "audio2tape or tapeconv not installed (Debian: fuse-emulator-utils)";
    }
    TempDir dir;
    const fs::path wav = WriteWav(GetParam(), dir / "tape.wav");
    const fs::path log = dir / "log";
    // -r: ROM blocks as ROM blocks, so that tapeconv makes a TAP of them.
    ASSERT_TRUE(RunTool(audio2tape + " -r " + Quoted(wav) + " " + Quoted(dir / "back.tzx"), log))
        << LogText(log);
    ASSERT_TRUE(
        RunTool(tapeconv + " " + Quoted(dir / "back.tzx") + " " + Quoted(dir / "back.tap"), log))
        << LogText(log);
    const auto want = TapBlocks(ReadFileBytes(GetParam()));
    const auto got = TapBlocks(ReadFileBytes(dir / "back.tap"));
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i], want[i]) << "row " << RowNumberText(static_cast<long long>(i));
    }
}

// The lengths of the levels of a sound file in samples, split where the
// signal rests: each burst of pulses is one block, and the rests between
// them its pause (or the silence before and after the tape).
struct Levels {
    std::vector<std::vector<std::uint64_t>> bursts;
    std::vector<std::uint64_t> rests;
};

Levels LevelsOf(const fs::path& path, std::uint64_t restAtLeast) {
    const std::vector<std::int16_t> samples = ReadSound(path).samples;
    std::vector<std::uint64_t> runs;
    std::uint64_t run = 1;
    for (std::size_t i = 1; i < samples.size(); ++i, ++run) {
        if ((samples[i] > 0) != (samples[i - 1] > 0)) {
            runs.push_back(run);
            run = 0;
        }
    }
    runs.push_back(run);
    Levels levels;
    std::vector<std::uint64_t> burst;
    for (const std::uint64_t length : runs) {
        if (length < restAtLeast) {
            burst.push_back(length);
            continue;
        }
        if (!burst.empty()) {
            levels.bursts.push_back(std::move(burst));
            burst.clear();
        }
        levels.rests.push_back(length);
    }
    if (!burst.empty()) {
        levels.bursts.push_back(std::move(burst));
    }
    return levels;
}

// tape2wav counts 3,500,000 / 44,100 as 79 T-states a sample and rounds each
// pulse to whole samples of that on its own; Bitreel puts each edge on the
// sample nearest its exact time. A pulse of Bitreel's is within one sample
// (79.4 T-states) of its exact length, one of tape2wav's, counted at 79,
// within half a sample (39.5): the two agree to 119 T-states, far less than
// the 855 between a 0 bit's pulse and a 1's.
constexpr double BitreelTStates = 3'500'000.0 / 44'100;
constexpr double Tape2wavTStates = 79;
constexpr double PulseTolerance = BitreelTStates + Tape2wavTStates / 2;

TEST_P(Corpus, Tape2wavMakesTheSamePulses) {
    const std::string tape2wav = BITREEL_TAPE2WAV;
    if (tape2wav.empty()) {
        GTEST_SKIP() << "tape2wav not installed (Debian: fuse-emulator-utils)";
    }
    TempDir dir;
    const fs::path ours = WriteWav(GetParam(), dir / "bitreel.wav");
    const fs::path log = dir / "log";
    ASSERT_TRUE(
        RunTool(tape2wav + " " + Quoted(GetParam()) + " " + Quoted(dir / "tape2wav.wav"), log))
        << LogText(log);
    // 10 ms: far longer than any pulse of a ROM block, far shorter than a pause.
    const Levels mine = LevelsOf(ours, 441);
    const Levels theirs = LevelsOf(dir / "tape2wav.wav", 441);
    const std::size_t rows = TapBlocks(ReadFileBytes(GetParam())).size();
    ASSERT_EQ(mine.bursts.size(), rows);
    ASSERT_EQ(theirs.bursts.size(), rows);

    // Bitreel's signal starts low, as does each pilot after a pause, so its
    // first pilot pulse merges with the silence before it; and it holds the
    // last level 1 ms after the last pulse, so that the loader sees that
    // pulse end. tape2wav starts each block with a high pulse and goes low
    // at once after the last.
    for (std::size_t row = 0; row < rows; ++row) {
        SCOPED_TRACE("row " + RowNumberText(static_cast<long long>(row)));
        const auto& a = mine.bursts[row];
        const auto& b = theirs.bursts[row];
        ASSERT_EQ(a.size(), b.size());
        EXPECT_NEAR(double(a.back()) * BitreelTStates, 3500.0, BitreelTStates)
            << "the closing 1 ms";
        std::size_t wrong = 0;
        for (std::size_t i = 0; i + 1 < a.size(); ++i) {
            const double mineT = double(a[i]) * BitreelTStates;
            const double theirsT = double(b[i + 1]) * Tape2wavTStates;
            if (std::abs(mineT - theirsT) > PulseTolerance && wrong++ < 5) {
                ADD_FAILURE() << "pulse " << i + 2 << ": " << mineT << " T-states, tape2wav's "
                              << theirsT;
            }
        }
        EXPECT_EQ(wrong, 0u);
        // The pause after the row, from its last pulse's edge to the next
        // block's second pilot pulse, as both measure it.
        if (row + 1 < rows) {
            const double mineT = double(a.back() + mine.rests[row + 1]) * BitreelTStates;
            const double theirsT =
                double(theirs.rests[row] + theirs.bursts[row + 1].front()) * Tape2wavTStates;
            EXPECT_NEAR(mineT, theirsT, 2 * PulseTolerance) << "the pause after the row";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Spectrum, Corpus, testing::ValuesIn(SpectrumCorpus()),
                         [](const auto& info) { return TestName(info.param.stem().string()); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

} // namespace
} // namespace bitreel::test
