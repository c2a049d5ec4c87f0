// A tape's events on the way to a sound file: rows and choices told, a stop
// as two seconds of silence, a corrupt row as the end of the tape.
#include "signal/render/TapeAudioFile.h"
#include "support/PulseList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bitreel::test {
namespace {

using Kind = PulseEvent::Kind;
constexpr std::uint32_t Rate = 22'050;
constexpr std::uint64_t HalfSecond = Rate / 2; // the lead and the tail
constexpr std::uint32_t OneSecond = 3'500'000;

struct KeptSamples final : SampleSink {
    void Write(std::span<const std::int16_t> piece) override {
        writes.push_back(piece.size());
        samples.insert(samples.end(), piece.begin(), piece.end());
    }
    std::vector<std::size_t> writes;
    std::vector<std::int16_t> samples;
};

struct EventCase {
    const char* name;
    std::vector<PulseEvent> events;
    std::vector<std::string> told;
    std::optional<std::size_t> corruptRow;
    std::vector<Edge> edges; // from the first sample of the file
    std::uint64_t samples;
};

void PrintTo(const EventCase& c, std::ostream* out) {
    *out << c.name;
}

const PulseEvent Second = PulseOf(Level::High, OneSecond);

std::vector<EventCase> EventCases() {
    const std::uint64_t lead = HalfSecond;
    return {
        {"Nothing", {}, {}, std::nullopt, {}, 2 * HalfSecond},
        {"RowsAndChoice",
         {RowEvent(Kind::Row, 0), Second, RowEvent(Kind::Choice, 1), RowEvent(Kind::Row, 1),
          PulseOf(Level::Low, OneSecond), Second},
         {"row 0", "choice 1", "row 1"},
         std::nullopt,
         {{lead, Level::High},
          {lead + Rate, Level::Low},
          {lead + 2 * Rate, Level::High},
          {lead + 3 * Rate, Level::Low}},
         lead + 3 * Rate + HalfSecond},
        // The stop's silence is low, although a high pulse came before it.
        {"Stop",
         {RowEvent(Kind::Row, 0), Second, RowEvent(Kind::Stop, 0), RowEvent(Kind::Row, 1), Second},
         {"row 0", "stop 0", "row 1"},
         std::nullopt,
         {{lead, Level::High},
          {lead + Rate, Level::Low},
          {lead + 3 * Rate, Level::High},
          {lead + 4 * Rate, Level::Low}},
         lead + 4 * Rate + HalfSecond},
        // Nothing after a corrupt row plays or is told; the tail still closes the file.
        {"Corrupt",
         {RowEvent(Kind::Row, 0), Second, RowEvent(Kind::Corrupt, 1), RowEvent(Kind::Row, 2),
          Second, RowEvent(Kind::Stop, 2)},
         {"row 0"},
         1,
         {{lead, Level::High}, {lead + Rate, Level::Low}},
         lead + Rate + HalfSecond},
        {"CorruptFirst", {RowEvent(Kind::Corrupt, 0), Second}, {}, 0, {}, 2 * HalfSecond},
    };
}

class Events : public testing::TestWithParam<EventCase> {};

TEST_P(Events, ToldAndRendered) {
    const EventCase& c = GetParam();
    PulseList pulses(c.events);
    RenderOptions options;
    options.rate = Rate;
    std::vector<std::string> told;
    TapeAudioEvents events{
        [&](std::size_t row) { told.push_back("row " + std::to_string(row)); },
        [&](std::size_t row) { told.push_back("stop " + std::to_string(row)); },
        [&](std::size_t row) { told.push_back("choice " + std::to_string(row)); },
    };
    KeptSamples sink;
    const TapeAudioResult result = RenderTapeAudio(pulses, options, sink, events);
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(result.corruptRow, c.corruptRow);
    EXPECT_EQ(result.samples, c.samples);
    EXPECT_EQ(sink.samples.size(), c.samples);
    EXPECT_EQ(EdgesOf(sink.samples), c.edges);
}

INSTANTIATE_TEST_SUITE_P(Cases, Events, testing::ValuesIn(EventCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RenderTapeAudio, EventsWithoutListenersAreNoError) {
    PulseList pulses({RowEvent(Kind::Row, 0), RowEvent(Kind::Stop, 0), RowEvent(Kind::Choice, 1)});
    KeptSamples sink;
    RenderOptions options;
    options.rate = Rate;
    EXPECT_EQ(RenderTapeAudio(pulses, options, sink).samples, 2 * HalfSecond + 2 * Rate);
}

TEST(RenderTapeAudio, ManyShortRowsGoOutInWholeBuffers) {
    // A row for every few samples, as a tape of tiny blocks gives: the sink
    // still gets full buffers, not a write per row.
    std::vector<PulseEvent> events;
    for (std::size_t row = 0; row < 200'000; ++row) {
        events.push_back(RowEvent(Kind::Row, row));
        events.push_back(PulseOf(row % 2 == 0 ? Level::High : Level::Low, 855));
    }
    PulseList pulses(std::move(events));
    RenderOptions options;
    options.rate = 96'000;
    KeptSamples sink;
    std::size_t rows = 0;
    const TapeAudioResult result =
        RenderTapeAudio(pulses, options, sink, {[&](std::size_t) { ++rows; }, {}, {}});
    EXPECT_EQ(rows, 200'000u);
    EXPECT_EQ(result.samples, sink.samples.size());
    ASSERT_FALSE(sink.writes.empty());
    const std::size_t buffer = sink.writes.front();
    EXPECT_EQ(sink.writes.size(), (result.samples + buffer - 1) / buffer);
    for (std::size_t i = 0; i + 1 < sink.writes.size(); ++i) {
        EXPECT_EQ(sink.writes[i], buffer) << "write " << i;
    }
}

} // namespace
} // namespace bitreel::test
