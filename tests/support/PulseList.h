#pragma once

// Pulses for tests: a source over a list of events, and the exact time of
// each pulse's start, worked out apart from the renderer.

#include "pulses/Pulses.h"

#include <cstdint>
#include <vector>

namespace bitreel::test {

// Hands out the events of a list, one after another.
class PulseList final : public PulseSource {
public:
    PulseList() = default;
    explicit PulseList(std::vector<PulseEvent> events) : events_(std::move(events)) {}

    [[nodiscard]] bool Next(PulseEvent& event) override {
        if (next_ == events_.size()) {
            return false;
        }
        event = events_[next_++];
        return true;
    }

private:
    std::vector<PulseEvent> events_;
    std::size_t next_ = 0;
};

// An exact time as a fraction of a second over a denominator that both
// clocks divide: each clock's T-states are a whole number of its parts.
inline constexpr std::uint64_t TickHz = 3'500'000ull * 3'250'000 / 250'000; // 45.5 MHz

[[nodiscard]] inline std::uint64_t Ticks(const PulseEvent& pulse) {
    return static_cast<std::uint64_t>(pulse.tstates) * (TickHz / ClockHz(pulse.clock));
}

// The exact length of a list of pulses.
[[nodiscard]] inline std::uint64_t Ticks(const std::vector<PulseEvent>& pulses) {
    std::uint64_t ticks = 0;
    for (const PulseEvent& pulse : pulses) {
        ticks += Ticks(pulse);
    }
    return ticks;
}

// round(ticks / TickHz * rate), halves up, in exact integers: exact for
// tapes of up to 500 hours, far more than any test plays.
[[nodiscard]] inline std::uint64_t NearestSample(std::uint64_t ticks, std::uint32_t rate) {
    return static_cast<std::uint64_t>((2 * ticks * rate + TickHz) / (2 * TickHz));
}

// Where each level change falls, in samples from the first pulse, and the
// level it goes to: a pulse too short to get a sample of its own is lost
// between its neighbours, and pulses of one level make one stretch.
struct Edge {
    std::uint64_t sample;
    Level level;
    friend bool operator==(const Edge&, const Edge&) = default;
};

[[nodiscard]] inline std::vector<Edge> ExpectedEdges(const std::vector<PulseEvent>& pulses,
                                                     std::uint32_t rate, std::uint64_t offset = 0) {
    std::vector<Edge> edges;
    Level shown = Level::Low; // silence before the tape
    std::uint64_t start = 0;
    for (const PulseEvent& pulse : pulses) {
        const std::uint64_t end = start + Ticks(pulse);
        const std::uint64_t first = NearestSample(start, rate);
        if (NearestSample(end, rate) > first && pulse.level != shown) {
            edges.push_back({offset + first, pulse.level});
            shown = pulse.level;
        }
        start = end;
    }
    return edges;
}

// The level changes in samples, read back from the values: a sample above
// zero is high unless inverted. Before the first sample the level is low.
[[nodiscard]] inline std::vector<Edge> EdgesOf(const std::vector<std::int16_t>& samples,
                                               bool inverted = false) {
    std::vector<Edge> edges;
    Level shown = Level::Low;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Level level = (samples[i] > 0) != inverted ? Level::High : Level::Low;
        if (level != shown) {
            edges.push_back({i, level});
            shown = level;
        }
    }
    return edges;
}

} // namespace bitreel::test
