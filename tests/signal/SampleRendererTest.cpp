// The renderer: every edge on the sample nearest its exact time, at every
// rate, for both clocks, over any length of tape.
#include "signal/render/SampleRenderer.h"
#include "pulses/WholeSamples.h"
#include "support/PulseList.h"

#include <gtest/gtest.h>

#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace bitreel::test {
namespace {

using Kind = PulseEvent::Kind;
constexpr auto Ace = PulseClock::JupiterAce;

RenderOptions Bare(std::uint32_t rate) {
    RenderOptions options;
    options.rate = rate;
    options.leadMs = 0;
    options.tailMs = 0;
    return options;
}

// Renders a tape a few samples at a time, so that pulses straddle the ends
// of the buffer, and hands each piece to take; a stop gets silence as a file
// writer gives it.
template <typename Take>
void RenderInto(std::vector<PulseEvent> events, const RenderOptions& options, std::uint32_t stopMs,
                Take take) {
    PulseList source(std::move(events));
    SampleRenderer renderer(source, options);
    std::vector<std::int16_t> buffer(997);
    std::uint64_t made = 0;
    for (;;) {
        const auto filled = renderer.Fill(buffer);
        take(std::span<const std::int16_t>(buffer).first(filled.samples));
        made += filled.samples;
        if (filled.event && filled.event->kind == Kind::Stop) {
            renderer.InsertSilence(stopMs);
        }
        if (filled.ended) {
            EXPECT_EQ(renderer.SamplesMade(), made);
            return;
        }
    }
}

// Every sample of a short tape.
std::vector<std::int16_t> Render(std::vector<PulseEvent> events, const RenderOptions& options) {
    std::vector<std::int16_t> samples;
    RenderInto(std::move(events), options, 0,
               [&](auto piece) { samples.insert(samples.end(), piece.begin(), piece.end()); });
    return samples;
}

// What a long tape's samples show, read as they come: its edges and length.
struct Rendered {
    std::vector<Edge> edges;
    std::uint64_t samples = 0;
    std::int16_t last = 0;
};

Rendered RenderEdges(std::vector<PulseEvent> events, const RenderOptions& options,
                     std::uint32_t stopMs = 0) {
    Rendered rendered;
    Level shown = Level::Low;
    RenderInto(std::move(events), options, stopMs, [&](auto piece) {
        for (const std::int16_t sample : piece) {
            const Level level = sample > 0 ? Level::High : Level::Low;
            if (level != shown) {
                rendered.edges.push_back({rendered.samples, level});
                shown = level;
            }
            ++rendered.samples;
            rendered.last = sample;
        }
    });
    return rendered;
}

std::vector<PulseEvent> Alternating(std::vector<std::uint32_t> lengths,
                                    PulseClock clock = PulseClock::Spectrum,
                                    Level first = Level::High) {
    std::vector<PulseEvent> pulses;
    Level level = first;
    for (const std::uint32_t length : lengths) {
        pulses.push_back(PulseOf(level, length, clock));
        level = Opposite(level);
    }
    return pulses;
}

std::vector<PulseEvent> Concat(std::vector<std::vector<PulseEvent>> parts) {
    std::vector<PulseEvent> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct Sequence {
    const char* name;
    std::vector<PulseEvent> pulses;
};

void PrintTo(const Sequence& sequence, std::ostream* out) {
    *out << sequence.name;
}

std::vector<Sequence> Sequences() {
    // A ROM block's pulses are EdgeTiming's, from a tape image; these are
    // the shapes no image gives so plainly.
    return {
        {"AceClock", Alternating({2011, 2011, 2011, 601, 791, 798, 798, 1600, 1600, 17})},
        {"ClocksMixed",
         Concat({Alternating({1710, 855}), Alternating({1711, 799}, Ace),
                 Alternating({3, 5, 7}, PulseClock::Spectrum, Level::Low), Alternating({1}, Ace)})},
        // A pulse of 0 only sets the level the next one holds.
        {"ZeroLength",
         {PulseOf(Level::Low, 1000), PulseOf(Level::High, 0), PulseOf(Level::High, 500),
          PulseOf(Level::Low, 0), PulseOf(Level::High, 0), PulseOf(Level::Low, 300),
          PulseOf(Level::High, 0, Ace), PulseOf(Level::High, 2000, Ace)}},
        // Shorter than a sample: lost between their neighbours, never stretched.
        {"BelowOneSample", Alternating({5000, 20, 20, 20, 5000, 1, 79, 80, 5000})},
        {"LongPauses",
         {PulseOf(Level::High, 2168), PulseOf(Level::Low, 35'000'000), PulseOf(Level::High, 2168),
          PulseOf(Level::Low, 0xFFFF'FFFF), PulseOf(Level::High, 855),
          PulseOf(Level::Low, 0xFFFF'FFFF, Ace), PulseOf(Level::High, 855)}},
        // Times that fall on half a sample at one rate or another.
        {"HalfSamples", Alternating({5000, 5000, 2500, 4375, 4375, 21875, 7, 13})},
        {"OneLevelHeld",
         {PulseOf(Level::High, 1000), PulseOf(Level::High, 1000), PulseOf(Level::High, 1000, Ace),
          PulseOf(Level::Low, 1000)}},
    };
}

class EdgeTimes : public testing::TestWithParam<std::tuple<std::uint32_t, Sequence>> {};

TEST_P(EdgeTimes, EachEdgeOnTheSampleNearestItsTime) {
    const auto& [rate, sequence] = GetParam();
    const Rendered rendered = RenderEdges(sequence.pulses, Bare(rate));
    const std::vector<Edge> want = ExpectedEdges(sequence.pulses, rate);
    const std::vector<Edge>& got = rendered.edges;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].sample, want[i].sample) << "edge " << i;
        EXPECT_EQ(got[i].level, want[i].level) << "edge " << i;
    }
    // The last pulse is held whole: the tape ends on its edge.
    EXPECT_EQ(rendered.samples, NearestSample(Ticks(sequence.pulses), rate));
}

INSTANTIATE_TEST_SUITE_P(RatesAndSequences, EdgeTimes,
                         testing::Combine(testing::ValuesIn(SampleRates),
                                          testing::ValuesIn(Sequences())),
                         [](const auto& info) {
                             return std::string(std::get<1>(info.param).name) + "_" +
                                    std::to_string(std::get<0>(info.param));
                         });

// An hour of pulses that are no whole number of samples long at any rate:
// rounding each pulse on its own would put the last edge many seconds off.
class NoDrift : public testing::TestWithParam<std::uint32_t> {};

TEST_P(NoDrift, EveryEdgeOfAnHourOnItsSample) {
    const std::uint32_t rate = GetParam();
    // Pulses are made as they are asked for, and edges checked as they come,
    // so that an hour at 96 kHz costs no memory.
    class Hour final : public PulseSource {
    public:
        bool Next(PulseEvent& event) override {
            if (ticks_ >= 3600 * TickHz) {
                return false;
            }
            event = count_ % 2 == 0 ? PulseOf(Level::High, 1711)
                                    : PulseOf(Level::Low, 1003, PulseClock::JupiterAce);
            ++count_;
            ticks_ += Ticks(event);
            return true;
        }
        std::uint64_t count_ = 0;
        std::uint64_t ticks_ = 0;
    } hour;
    SampleRenderer renderer(hour, Bare(rate));
    std::vector<std::int16_t> buffer(1 << 16);
    std::uint64_t at = 0;
    std::uint64_t edges = 0;
    std::uint64_t ticks = 0; // the exact start of the pulse the next edge begins
    std::int16_t previous = 0;
    std::uint64_t wrong = 0;
    for (;;) {
        const auto filled = renderer.Fill(buffer);
        for (std::size_t i = 0; i < filled.samples; ++i, ++at) {
            if (buffer[i] != previous) {
                wrong += at != NearestSample(ticks, rate);
                ticks += edges % 2 == 0 ? 1711 * (TickHz / 3'500'000) : 1003 * (TickHz / 3'250'000);
                ++edges;
                previous = buffer[i];
            }
        }
        if (filled.ended) {
            break;
        }
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(edges, hour.count_);
    EXPECT_EQ(at, NearestSample(hour.ticks_, rate));
}

INSTANTIATE_TEST_SUITE_P(Rates, NoDrift, testing::ValuesIn(SampleRates));

// Pulses timed in whole samples: each as many samples as it is long at the
// rate, rounded, wherever the edge before it fell and however many come, and
// the exact pulses after them keep their spacing.
struct WholeCase {
    std::uint32_t rate;
    std::uint32_t samplesAt44k; // the pulse's length, in samples of 44.1 kHz
    std::uint64_t samples;      // what each plays as at rate
};

void PrintTo(const WholeCase& c, std::ostream* out) {
    *out << c.samplesAt44k << " at " << c.rate;
}

class WholeSamples : public testing::TestWithParam<WholeCase> {};

TEST_P(WholeSamples, EveryPulseTheSameWholeSamples) {
    const WholeCase& c = GetParam();
    const std::uint32_t tstates = TStatesOfSamples(c.samplesAt44k);
    ASSERT_EQ(WholeSamplesOf(tstates), c.samplesAt44k);
    constexpr std::uint32_t Lead = 1000; // puts the first whole pulse between samples
    constexpr std::uint32_t After = 3333;
    constexpr std::size_t Count = 999; // pulses that would drift by many samples
    std::vector<PulseEvent> pulses{PulseOf(Level::High, Lead)};
    Level level = Level::Low;
    for (std::size_t i = 0; i < Count; ++i) {
        pulses.push_back(PulseOf(level, tstates, PulseClock::Spectrum, true));
        level = Opposite(level);
    }
    pulses.push_back(PulseOf(level, After));
    pulses.push_back(PulseOf(Opposite(level), After));
    const Rendered rendered = RenderEdges(pulses, Bare(c.rate));
    ASSERT_EQ(rendered.edges.size(), Count + 3);
    const std::uint64_t first = NearestSample(Lead * (TickHz / 3'500'000), c.rate);
    EXPECT_EQ(rendered.edges[1].sample, first);
    for (std::size_t i = 1; i <= Count; ++i) {
        EXPECT_EQ(rendered.edges[i + 1].sample - rendered.edges[i].sample, c.samples)
            << "pulse " << i;
    }
    const std::uint64_t exactEnd = Ticks(std::vector<PulseEvent>(pulses.begin(), pulses.end() - 2));
    const std::uint64_t afterOne = NearestSample(exactEnd + After * (TickHz / 3'500'000), c.rate) -
                                   NearestSample(exactEnd, c.rate);
    EXPECT_EQ(rendered.edges[Count + 2].sample - rendered.edges[Count + 1].sample, afterOne);
}

INSTANTIATE_TEST_SUITE_P(RatesAndLengths, WholeSamples,
                         testing::Values(WholeCase{22'050, 2, 1}, WholeCase{22'050, 3, 1},
                                         WholeCase{22'050, 5, 3}, WholeCase{44'100, 2, 2},
                                         WholeCase{44'100, 3, 3}, WholeCase{44'100, 8, 8},
                                         WholeCase{48'000, 2, 2}, WholeCase{48'000, 4, 4},
                                         WholeCase{48'000, 8, 9}, WholeCase{96'000, 2, 4},
                                         WholeCase{96'000, 3, 7}, WholeCase{96'000, 5, 11}));

struct LevelCase {
    bool invert;
    int percent;
    std::int16_t high; // the sample of a high pulse; low is its negative
};

class Levels : public testing::TestWithParam<LevelCase> {};

TEST_P(Levels, PeakAndPolarity) {
    const LevelCase& c = GetParam();
    RenderOptions options = Bare(44'100);
    options.invert = c.invert;
    options.levelPercent = c.percent;
    options.leadMs = 10;
    const auto samples =
        Render({PulseOf(Level::High, 35'000), PulseOf(Level::Low, 35'000)}, options);
    const std::size_t lead = 441;
    const std::size_t pulse = 441;
    ASSERT_EQ(samples.size(), lead + 2 * pulse);
    EXPECT_EQ(samples.front(), -c.high) << "silence is the low level";
    EXPECT_EQ(samples[lead], c.high);
    EXPECT_EQ(samples[lead + pulse - 1], c.high);
    EXPECT_EQ(samples[lead + pulse], -c.high);
    EXPECT_EQ(samples.back(), -c.high);
}

INSTANTIATE_TEST_SUITE_P(
    InvertAndLevel, Levels,
    testing::Values(LevelCase{false, 70, 22937}, LevelCase{true, 70, -22937},
                    LevelCase{false, 100, 32767}, LevelCase{true, 100, -32767},
                    LevelCase{false, 1, 328}, LevelCase{false, 50, 16384},
                    // Out of range, as only a caller that skips the checks gives it.
                    LevelCase{false, 0, 328}, LevelCase{true, 250, -32767}));

struct SilenceCase {
    std::uint32_t rate;
    std::uint32_t leadMs;
    std::uint32_t tailMs;
    std::uint64_t leadSamples;
    std::uint64_t tailSamples;
};

class LeadAndTail : public testing::TestWithParam<SilenceCase> {};

TEST_P(LeadAndTail, SilenceAroundTheTape) {
    const SilenceCase& c = GetParam();
    RenderOptions options = Bare(c.rate);
    options.leadMs = c.leadMs;
    options.tailMs = c.tailMs;
    const auto pulses = Alternating({2168, 2168, 667, 735, 1710, 1710});
    const Rendered rendered = RenderEdges(pulses, options);
    EXPECT_EQ(rendered.samples,
              c.leadSamples + NearestSample(Ticks(pulses), c.rate) + c.tailSamples);
    EXPECT_EQ(rendered.edges, ExpectedEdges(pulses, c.rate, c.leadSamples));
    EXPECT_LT(rendered.last, 0) << "the tape ends low";
}

INSTANTIATE_TEST_SUITE_P(Cases, LeadAndTail,
                         testing::Values(SilenceCase{44'100, 500, 500, 22'050, 22'050},
                                         SilenceCase{22'050, 1, 3, 22, 66},
                                         SilenceCase{48'000, 0, 250, 0, 12'000},
                                         SilenceCase{96'000, 2000, 0, 192'000, 0},
                                         SilenceCase{44'100, 0, 0, 0, 0}));

TEST(InsertSilence, StopsTheTapeBetweenWholePulses) {
    const std::uint32_t rate = 48'000;
    const auto before = Alternating({1710, 1710, 855});
    const auto after = Alternating({2168, 2168, 2168});
    std::vector<PulseEvent> events = before;
    events.push_back(RowEvent(Kind::Stop, 3));
    events.insert(events.end(), after.begin(), after.end());
    const Rendered rendered = RenderEdges(events, Bare(rate), 2000);

    std::vector<std::uint64_t> starts{0}; // each pulse's start, in samples, without the stop
    std::uint64_t ticks = 0;
    for (const auto& pulse : Concat({before, after})) {
        ticks += Ticks(pulse);
        starts.push_back(NearestSample(ticks, rate));
    }
    const std::uint64_t stop = starts[3];
    const std::uint64_t silence = 2 * rate;
    // The pulses before the stop are whole and where they would be without
    // it; the silence is low although the last of them was high; the pulses
    // after it come two seconds of samples later.
    const std::vector<Edge> want{
        {0, Level::High},
        {starts[1], Level::Low},
        {starts[2], Level::High},
        {stop, Level::Low},
        {stop + silence, Level::High},
        {starts[4] + silence, Level::Low},
        {starts[5] + silence, Level::High},
    };
    EXPECT_EQ(rendered.edges, want);
    EXPECT_EQ(rendered.samples, starts[6] + silence);
}

TEST(InsertSilence, TwoStopsInARowAddUp) {
    const std::uint32_t rate = 22'050;
    const Rendered rendered = RenderEdges({PulseOf(Level::High, 3500), RowEvent(Kind::Stop, 1),
                                           RowEvent(Kind::Stop, 2), PulseOf(Level::High, 3500)},
                                          Bare(rate), 100);
    const std::uint64_t pulse = NearestSample(3500 * 13, rate);
    ASSERT_EQ(rendered.samples, NearestSample(2 * 3500 * 13, rate) + 2 * 2205);
    EXPECT_EQ(rendered.edges,
              (std::vector<Edge>{
                  {0, Level::High}, {pulse, Level::Low}, {pulse + 2 * 2205, Level::High}}));
}

} // namespace
} // namespace bitreel::test
