#include "transfer/AudioPlayback.h"

#include "support/EarDecoder.h"
#include "support/FakeAudioOutput.h"
#include "support/PulseScript.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestFrontEnd.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace bitreel {
namespace {

using namespace std::chrono_literals;
using Kind = PulseEvent::Kind;
using test::PulseScript;

constexpr std::uint32_t Rate = 22'050;

// Samples a run of pulses of the ROM's pilot length lasts.
std::uint64_t ToneSamples(std::uint32_t pulses, std::uint32_t tstates = 2168) {
    return SampleRenderer::EdgeSample(SampleRenderer::Units(pulses * tstates, PulseClock::Spectrum),
                                      Rate);
}

constexpr std::uint64_t LeadSamples = Rate / 2; // RenderOptions' 500 ms

// One audio play on a fake sound card whose clock runs only in the
// engine's idle passes: a pass with work takes 1 ms, a wait the time asked.
struct AudioRig {
    explicit AudioRig(PulseScript tape) : script(std::move(tape)) {
        options.rate = Rate;
        ui.onIdle = [this](std::chrono::milliseconds most) {
            maxQueued = std::max(maxQueued, output.QueuedSamples());
            output.Advance(most == 0ms ? 1ms : most);
            if (onIdle) {
                onIdle();
            }
        };
    }

    TransferResult Play() {
        tape.pulses = [this] { return script.Stream(); };
        return playback.Run(tape, options);
    }

    // What a plain render of the same tape gives.
    [[nodiscard]] std::vector<std::int16_t> Rendered() const {
        const auto source = script.Stream();
        SampleRenderer renderer(*source, options);
        std::vector<std::int16_t> all(1 << 16);
        std::size_t made = 0;
        for (;;) {
            if (made == all.size()) {
                all.resize(all.size() * 2);
            }
            const auto filled = renderer.Fill(std::span(all).subspan(made));
            made += filled.samples;
            if (filled.ended) {
                break;
            }
        }
        all.resize(made);
        return all;
    }

    PulseScript script;
    RenderOptions options;
    // The buffer a sound card is asked for.
    test::FakeAudioOutput output{Rate, Rate* AudioPlayback::Ahead.count() / 1000};
    test::TestFrontEnd ui;
    AudioPlayback playback{output, ui, ui};
    AudioTape tape;
    std::size_t maxQueued = 0;
    std::function<void()> onIdle;
};

TEST(AudioPlayback, SelectsEachRowAsItIsHeardAndPlaysTheTapeWhole) {
    // Row 1 (a text, say) makes no sound: it is selected in passing.
    AudioRig rig(PulseScript().Row(0, 1000).Row(1).Row(2, 3001, 855));
    std::vector<std::uint64_t> heardAt;
    rig.ui.onBlockOut = [&](int) { heardAt.push_back(rig.output.Played()); };
    const TransferResult result = rig.Play();

    EXPECT_EQ(result.ending, TransferResult::Ending::Done) << result.reason;
    EXPECT_EQ(result.block, 2);
    EXPECT_EQ(rig.ui.blocksOut, (std::vector<int>{0, 1, 2}));
    const std::vector<std::uint64_t> starts = {LeadSamples, LeadSamples + ToneSamples(1000),
                                               LeadSamples + ToneSamples(1000)};
    ASSERT_EQ(heardAt.size(), starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        // Selected once its sound starts, within one wait of it.
        EXPECT_GE(heardAt[i], starts[i]) << "row " << i;
        EXPECT_LE(heardAt[i],
                  starts[i] + Rate * AudioPlayback::MostIdle.count() / 1000 + Rate / 100)
            << "row " << i;
    }
    // Every sample of the tape, in order, then the level it rests at.
    const std::vector<std::int16_t> tape = rig.Rendered();
    ASSERT_GE(rig.output.written.size(), tape.size());
    EXPECT_TRUE(std::equal(tape.begin(), tape.end(), rig.output.written.begin()));
    EXPECT_TRUE(std::all_of(rig.output.written.begin() + static_cast<std::ptrdiff_t>(tape.size()),
                            rig.output.written.end(), [&](auto s) { return s == tape.back(); }));
    EXPECT_TRUE(rig.output.WasDrained());
    EXPECT_FALSE(rig.output.WasDiscarded());
    EXPECT_GE(rig.output.Played(), tape.size());
    EXPECT_EQ(rig.output.misuses, 0);
    EXPECT_EQ(rig.output.Underruns(), 0U);
    // The device's buffer kept full, to within a slice.
    EXPECT_GE(rig.maxQueued, Rate * AudioPlayback::Ahead.count() / 1000 - Rate / 50);
}

TEST(AudioPlayback, CountsEachRowsTimeUpToItsWholeLength) {
    AudioRig rig(PulseScript().Row(0, 1000).Row(1).Row(2, 2000, 1710));
    static_cast<void>(rig.Play());
    const auto ms = [](std::uint64_t samples) {
        return static_cast<std::int64_t>(samples * 1000 / Rate);
    };
    const std::vector<std::int64_t> totals = {ms(ToneSamples(1000)), ms(ToneSamples(2000, 1710))};
    std::vector<BlockProgress> finals;
    std::int64_t last = -1;
    for (const BlockProgress& progress : rig.ui.progressHistory) {
        EXPECT_EQ(progress.unit, ProgressUnit::Milliseconds);
        ASSERT_TRUE(progress.total);
        EXPECT_TRUE(*progress.total == totals[0] || *progress.total == totals[1]);
        EXPECT_LE(progress.count, *progress.total);
        if (progress.count == *progress.total) {
            finals.push_back(progress);
            last = -1;
        } else {
            EXPECT_GE(progress.count, last) << "counts run forward within a row";
            last = progress.count;
        }
    }
    // Each row that sounds ends on its whole length, once; the silent row
    // shows none.
    EXPECT_EQ(finals, (std::vector<BlockProgress>{
                          {totals[0], totals[0], ProgressUnit::Milliseconds},
                          {totals[1], totals[1], ProgressUnit::Milliseconds},
                      }));
}

// A row of more pulses than one pass measures (a direct recording of
// minutes) is measured over several passes while the sound goes on: each
// row still ends on its whole length, and the sound never runs dry.
TEST(AudioPlayback, ARowTooLongToMeasureAtOnceKeepsItsLength) {
    const auto pulses = static_cast<std::uint32_t>(AudioPlayback::MeasuredAtOnce * 3 / 2);
    AudioRig rig(PulseScript().Row(0, 10).Row(1, pulses, 100).Row(2, 10));
    const TransferResult result = rig.Play();
    EXPECT_EQ(result.ending, TransferResult::Ending::Done) << result.reason;
    EXPECT_EQ(rig.output.Underruns(), 0U);
    const auto ms = [](std::uint64_t samples) { return std::int64_t(samples * 1000 / Rate); };
    const std::int64_t totals[] = {ms(ToneSamples(10)), ms(ToneSamples(pulses, 100)),
                                   ms(ToneSamples(10))};
    std::vector<std::int64_t> finals;
    for (const BlockProgress& progress : rig.ui.progressHistory) {
        ASSERT_TRUE(progress.total);
        if (progress.count == *progress.total) {
            finals.push_back(*progress.total);
        }
    }
    EXPECT_EQ(finals, (std::vector<std::int64_t>(std::begin(totals), std::end(totals))));
}

// A tape that stops at row 1, and what the user answers there.
struct StopCase {
    std::string name;
    std::vector<TapeRestart> answers; // the last one repeats
    std::size_t rowCount;
    std::vector<int> stops;
    std::vector<int> rowsHeard;
    bool atStopBlock;
    std::optional<int> resumeRow;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioStopBlock : public testing::TestWithParam<StopCase> {};

TEST_P(AudioStopBlock, PausesUntilTheUserGoesOn) {
    const StopCase& c = GetParam();
    PulseScript script;
    script.Row(0, 500).Row(1).Event(Kind::Stop, 1);
    if (c.rowCount > 2) {
        script.Row(2, 500);
    }
    AudioRig rig(script);
    rig.tape.rowCount = c.rowCount;
    std::size_t asked = 0;
    std::optional<std::uint64_t> goneOnAt;
    rig.ui.restart = [&] {
        const TapeRestart answer = c.answers[std::min(asked++, c.answers.size() - 1)];
        if (answer == TapeRestart::GoOn) {
            goneOnAt = rig.output.Played();
        }
        return answer;
    };
    std::optional<std::uint64_t> row2At;
    rig.ui.onBlockOut = [&](int row) {
        if (row == 2) {
            row2At = rig.output.Played();
        }
    };
    const TransferResult result = rig.Play();

    EXPECT_EQ(result.ending, TransferResult::Ending::Done) << result.reason;
    EXPECT_EQ(rig.ui.tapeStops, c.stops);
    EXPECT_EQ(rig.ui.blocksOut, c.rowsHeard);
    EXPECT_EQ(result.atStopBlock, c.atStopBlock);
    EXPECT_EQ(result.resumeRow, c.resumeRow);
    EXPECT_EQ(rig.output.Underruns(), 0U) << "the pause is silence, not a gap";
    EXPECT_EQ(rig.output.misuses, 0);
    if (goneOnAt && row2At) {
        EXPECT_GT(*row2At, *goneOnAt) << "the tape goes on only when told";
    }
}

constexpr TapeRestart Wait = TapeRestart::NotYet;
constexpr TapeRestart GoOn = TapeRestart::GoOn;
constexpr TapeRestart EndHere = TapeRestart::EndHere;

std::vector<TapeRestart> WaitThenGoOn(std::size_t waits) {
    std::vector<TapeRestart> answers(waits, Wait);
    answers.push_back(GoOn);
    return answers;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioStopBlock,
    testing::Values(
        // 400 answers of "not yet" are about 8 s of silence, longer than any
        // queue: the device is fed all along.
        StopCase{"GoesOnWhenTold", WaitThenGoOn(400), 3, {1}, {0, 1, 2}, false, std::nullopt},
        StopCase{"GoesOnAtOnce", {GoOn}, 3, {1}, {0, 1, 2}, false, std::nullopt},
        StopCase{"EndsThereWhenNoOneCanAnswer", {Wait, Wait, EndHere}, 3, {1}, {0, 1}, true, 2},
        StopCase{
            "EndsAtALastStopWithNothingToResume", {EndHere}, 2, {1}, {0, 1}, true, std::nullopt}),
    test::ByName{});

TEST(AudioPlayback, SilenceFillsThePauseAtAStop) {
    AudioRig rig(PulseScript().Row(0, 500).Row(1).Event(Kind::Stop, 1).Row(2, 500));
    std::size_t writtenAtGoOn = 0;
    int asked = 0;
    rig.ui.restart = [&] {
        if (++asked < 200) {
            return Wait;
        }
        writtenAtGoOn = rig.output.written.size();
        return GoOn;
    };
    static_cast<void>(rig.Play());
    // From where row 0 ends to where the user went on, the rest level alone,
    // and more of it than the queue holds.
    const auto restLevel = rig.output.written.front();
    const auto rowEnd = static_cast<std::ptrdiff_t>(LeadSamples + ToneSamples(500)) + 1;
    const auto goneOn = static_cast<std::ptrdiff_t>(writtenAtGoOn);
    ASSERT_GT(goneOn - rowEnd, 2 * Rate);
    EXPECT_TRUE(std::all_of(rig.output.written.begin() + rowEnd,
                            rig.output.written.begin() + goneOn,
                            [&](auto s) { return s == restLevel; }));
    EXPECT_TRUE(std::any_of(rig.output.written.begin() + goneOn, rig.output.written.end(),
                            [&](auto s) { return s != restLevel; }))
        << "row 2 sounds after the pause";
}

// Stop pressed at a point of the run.
struct StopPress {
    std::string name;
    bool whilePaused;
};

void PrintTo(const StopPress& c, std::ostream* os) {
    *os << c.name;
}

class AudioStop : public testing::TestWithParam<StopPress> {};

TEST_P(AudioStop, EndsTheSoundAtOnce) {
    AudioRig rig(PulseScript().Row(0, 500).Row(1, 2000).Event(Kind::Stop, 1).Row(2, 500));
    rig.ui.restart = [] { return Wait; };
    std::size_t writtenAtStop = 0;
    const std::uint64_t intoRow1 = LeadSamples + ToneSamples(500) + Rate / 5;
    rig.onIdle = [&] {
        const bool now =
            GetParam().whilePaused ? !rig.ui.tapeStops.empty() : rig.output.Played() > intoRow1;
        if (now && !rig.ui.stopRequested) {
            rig.ui.Stop();
            writtenAtStop = rig.output.written.size();
        }
    };
    const TransferResult result = rig.Play();
    EXPECT_EQ(result.ending, TransferResult::Ending::Stopped);
    EXPECT_EQ(result.block, 1);
    EXPECT_TRUE(rig.output.WasDiscarded());
    EXPECT_FALSE(rig.output.WasDrained());
    EXPECT_EQ(rig.output.written.size(), writtenAtStop) << "nothing is queued after Stop";
    EXPECT_EQ(rig.ui.blocksOut, (std::vector<int>{0, 1}));
    EXPECT_EQ(rig.ui.ends, std::vector<Transfer>{Transfer::Play});
}

INSTANTIATE_TEST_SUITE_P(Cases, AudioStop,
                         testing::Values(StopPress{"MidBlock", false},
                                         StopPress{"WhileStoppedAtAStopBlock", true}),
                         test::ByName{});

// A front end kept from the engine for a while, once row 0 is heard.
struct Stall {
    std::string name;
    std::chrono::milliseconds length;
    bool fails;
};

void PrintTo(const Stall& c, std::ostream* os) {
    *os << c.name;
}

class AudioStall : public testing::TestWithParam<Stall> {};

TEST_P(AudioStall, AGapInTheSoundFailsThePlay) {
    AudioRig rig(PulseScript().Row(0, 3000).Row(1, 3000));
    bool stalled = false;
    rig.onIdle = [&] {
        if (!stalled && rig.ui.blocksOut.size() == 2) {
            stalled = true;
            rig.output.Advance(GetParam().length);
        }
    };
    const TransferResult result = rig.Play();
    ASSERT_TRUE(stalled);
    if (GetParam().fails) {
        EXPECT_EQ(result.ending, TransferResult::Ending::Failed);
        EXPECT_EQ(result.reason, "Stopped at block 2: the sound card ran out of samples");
        EXPECT_TRUE(rig.output.WasDiscarded());
    } else {
        EXPECT_EQ(result.ending, TransferResult::Ending::Done) << result.reason;
        EXPECT_EQ(rig.output.Underruns(), 0U);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, AudioStall,
                         testing::Values(Stall{"ShorterThanTheQueue", 500ms, false},
                                         Stall{"LongerThanTheQueue", 1500ms, true}),
                         test::ByName{});

// A run that ends at a row it cannot play.
struct RowFault {
    std::string name;
    PulseScript tape;
    std::optional<int> listedRows;
    std::optional<std::string> deviceFailure; // from the moment row 1 is heard
    std::string reason;
    std::vector<int> rowsHeard;
};

void PrintTo(const RowFault& c, std::ostream* os) {
    *os << c.name;
}

class AudioRowFault : public testing::TestWithParam<RowFault> {};

TEST_P(AudioRowFault, FailsOnceTheSoundBeforeItIsHeard) {
    const RowFault& c = GetParam();
    AudioRig rig(c.tape);
    rig.tape.listedRows = c.listedRows;
    rig.ui.onBlockOut = [&](int row) {
        if (row == 1) {
            rig.output.failure = c.deviceFailure;
        }
    };
    const TransferResult result = rig.Play();
    EXPECT_EQ(result.ending, TransferResult::Ending::Failed);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(result.block, 1);
    EXPECT_EQ(rig.ui.blocksOut, c.rowsHeard);
    // Row 0 was heard to its end.
    EXPECT_GE(rig.output.Played(), LeadSamples + ToneSamples(800));
    EXPECT_FALSE(rig.output.WasDrained());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioRowFault,
    testing::Values(RowFault{"Corrupt",
                             PulseScript().Row(0, 800).Event(Kind::Corrupt, 1),
                             std::nullopt,
                             std::nullopt,
                             "Stopped at block 2: corrupt block",
                             {0}},
                    RowFault{"BeyondTheListedRows",
                             PulseScript().Row(0, 800).Row(1, 800),
                             1,
                             std::nullopt,
                             "Stopped at block 2: the file changed since it was listed",
                             {0}},
                    RowFault{"DeviceGone",
                             PulseScript().Row(0, 800).Row(1, 800),
                             std::nullopt,
                             "the sound server went away",
                             "Stopped at block 2: the sound server went away",
                             {0, 1}}),
    test::ByName{});

TEST(AudioPlayback, TellsOfAFirstChoiceWhenItIsHeard) {
    AudioRig rig(PulseScript().Row(0, 500).Row(1).Event(Kind::Choice, 1).Row(3, 500));
    std::vector<std::vector<int>> choicesAtRow;
    rig.ui.onBlockOut = [&](int) { choicesAtRow.push_back(rig.ui.choices); };
    const TransferResult result = rig.Play();
    EXPECT_EQ(result.ending, TransferResult::Ending::Done);
    EXPECT_EQ(rig.ui.blocksOut, (std::vector<int>{0, 1, 3}));
    // Told between the select row and the row it leads to.
    EXPECT_EQ(choicesAtRow, (std::vector<std::vector<int>>{{}, {}, {1}}));
}

TEST(AudioPlayback, ExitInAYieldTakesNoFurtherStep) {
    AudioRig rig(PulseScript().Row(0, 2000));
    rig.onIdle = [&] { rig.playback.Abandon(); };
    const TransferResult result = rig.Play();
    EXPECT_EQ(result.ending, TransferResult::Ending::Stopped);
    EXPECT_TRUE(rig.ui.ends.empty());
    EXPECT_TRUE(rig.output.WasDiscarded());
}

// An image file played as the window and the command line play it: its
// rows from --from to --to, heard as the ROM loads them.
struct ImageCase {
    std::string name;
    test::Bytes image;
    int from;
    std::optional<int> to;
    std::vector<int> rowsHeard;
    std::vector<test::Bytes> heard; // the blocks a loader reads from the sound
    std::string reason;             // empty: done
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioImage : public testing::TestWithParam<ImageCase> {};

test::Bytes Data(std::size_t size, std::uint8_t seed) {
    test::Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

// A block as it sounds: flag, payload, checksum.
test::Bytes Sounded(std::uint8_t flag, const test::Bytes& payload) {
    const test::Bytes frame = test::TapeBuilder().Block(flag, payload).bytes();
    return {frame.begin() + 2, frame.end()};
}

TEST_P(AudioImage, PlaysTheRowsAskedFor) {
    const ImageCase& c = GetParam();
    test::TempDir dir;
    test::TapeBuilder().Raw(c.image).WriteTo(dir / "GAME.TAP");
    AudioRig rig{PulseScript()};
    PlayRequest request;
    request.file = dir / "GAME.TAP";
    request.startRow = c.from;
    request.lastRow = c.to;
    const TransferResult result = rig.playback.Run(request, rig.options);

    EXPECT_EQ(result.reason, c.reason);
    EXPECT_EQ(rig.ui.blocksOut, c.rowsHeard);
    EXPECT_EQ(test::DecodeEar(rig.output.written, Rate, SpectrumRom), c.heard);
    EXPECT_EQ(rig.output.Underruns(), 0U);
}

const test::Bytes Header = test::SpectrumHeader(3, "code", 40, 32768, 0);

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioImage,
    testing::Values(ImageCase{"WholeTape",
                              test::TapeBuilder().Block(0, Header).Block(255, Data(40, 1)).bytes(),
                              0,
                              std::nullopt,
                              {0, 1},
                              {Sounded(0, Header), Sounded(255, Data(40, 1))},
                              ""},
                    ImageCase{"OneRowFromTo",
                              test::TapeBuilder()
                                  .Block(0, Header)
                                  .Block(255, Data(40, 1))
                                  .Block(255, Data(9, 2))
                                  .bytes(),
                              1,
                              1,
                              {1},
                              {Sounded(255, Data(40, 1))},
                              ""},
                    // The last block's length runs past the end of the file.
                    ImageCase{
                        "CorruptLastRow",
                        test::TapeBuilder().Block(0, Header).Length(60).Raw({255, 1, 2}).bytes(),
                        0,
                        std::nullopt,
                        {0},
                        {Sounded(0, Header)},
                        "Stopped at block 2: corrupt block"}),
    test::ByName{});

TEST(AudioImage, AFileThatCannotBeReadSaysWhy) {
    test::TempDir dir;
    AudioRig rig{PulseScript()};
    PlayRequest request;
    request.file = dir / "GONE.TAP";
    const TransferResult result = rig.playback.Run(request, rig.options);
    EXPECT_EQ(result.reason, "Cannot read GONE.TAP: No such file or directory");
    EXPECT_TRUE(rig.output.written.empty());
}

} // namespace
} // namespace bitreel
