#pragma once

#include "pulses/Pulses.h"
#include "signal/render/RenderOptions.h"

#include <cstdint>
#include <optional>
#include <span>

namespace bitreel {

// Turns pulses into 16-bit samples. Each edge falls on the sample nearest
// its exact time: the running total of the tape's T-states, kept as an exact
// integer, times the rate over the clock. Nothing is rounded twice, so no
// error builds up over any length of tape.
//
// A pulse that asks for whole samples (PulseEvent::wholeSamples) is as many
// samples as it is long at the rate, rounded to the nearest, counted from
// where the edge before it fell; the edges after it keep their spacing.
//
// Low is the negative peak and high the positive one (the other way round
// when inverted); silence is the low level, where a tape at rest stays.
class SampleRenderer {
public:
    SampleRenderer(PulseSource& source, const RenderOptions& options);

    struct Filled {
        std::size_t samples = 0;         // written at the front of out
        std::optional<PulseEvent> event; // a Row, Stop, Choice or Corrupt, met after them
        bool ended = false;              // the tape and the trailing silence are over
    };
    // Writes the next samples into out. Stops early at any event other than
    // a pulse, so that a player can act on it where it falls.
    [[nodiscard]] Filled Fill(std::span<std::int16_t> out);

    // Adds this much silence where the pulses so far end (a stop in a file).
    void InsertSilence(std::uint32_t ms);

    // Samples written so far.
    [[nodiscard]] std::uint64_t SamplesMade() const noexcept { return made_; }
    [[nodiscard]] std::uint32_t Rate() const noexcept { return rate_; }

    // The sample of the edge at this exact time, counted from the first
    // pulse: the time's T-states of the clock times the rate, rounded to the
    // nearest sample.
    [[nodiscard]] static std::uint64_t EdgeSample(std::uint64_t units, std::uint32_t rate) noexcept;
    // The exact time of a pulse in units of 1/45.5 MHz, in which both
    // machines' T-states are whole numbers.
    static constexpr std::uint64_t UnitsPerSecond = 45'500'000;
    [[nodiscard]] static constexpr std::uint64_t Units(std::uint32_t tstates,
                                                       PulseClock clock) noexcept {
        return std::uint64_t{tstates} * (UnitsPerSecond / ClockHz(clock));
    }

private:
    [[nodiscard]] std::int16_t SampleOf(Level level) const noexcept;
    // The sample of the edge at the exact time reached so far.
    [[nodiscard]] std::uint64_t ExactEdge() const noexcept;
    [[nodiscard]] std::uint64_t MsSamples(std::uint32_t ms) const noexcept;

    PulseSource& source_;
    std::uint32_t rate_;
    std::int16_t low_;
    std::int16_t high_;
    std::uint64_t tailSamples_;
    std::uint64_t units_ = 0;     // the tape's exact time so far
    std::int64_t shift_ = 0;      // samples that whole-sample pulses moved the edges by
    std::uint64_t silence_ = 0;   // samples of silence put in before the tape time
    std::uint64_t made_ = 0;      // samples written
    std::uint64_t holdUntil_ = 0; // the sample where the level in hand ends
    Level level_ = Level::Low;
    bool sourceEnded_ = false;
};

} // namespace bitreel
