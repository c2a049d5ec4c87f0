#pragma once

#include "pulses/CswPulses.h"
#include "pulses/PulseSteps.h"

#include <optional>
#include <vector>

namespace bitreel {

// Plays a row's steps one pulse at a time. The level carries from row to
// row: by TZX's rule each pulse has the level opposite to the one before.
class StepPlayer {
public:
    // Plays these steps next.
    void Start(std::vector<PulseStep> steps);
    // The next pulse of the steps; false once they are played.
    [[nodiscard]] bool Next(PulseEvent& event);

    // The level the next pulse has by default.
    [[nodiscard]] Level NextLevel() const noexcept { return next_; }
    void SetNextLevel(Level level) noexcept { next_ = level; }

private:
    // Each gives the step's next pulse, or false when the step is over.
    bool Emit(PulseEvent& event, std::uint32_t tstates, const PulseStep& step);
    bool Tone(const PulseStep& step, PulseEvent& event);
    bool Words(const PulseStep& step, PulseEvent& event);
    bool PzxPulses(const PulseStep& step, PulseEvent& event);
    bool Bits(const PulseStep& step, PulseEvent& event);
    bool PatternBits(const PulseStep& step, PulseEvent& event);
    bool Samples(const PulseStep& step, PulseEvent& event);
    bool Csw(const PulseStep& step, PulseEvent& event);
    bool Symbols(const PulseStep& step, PulseEvent& event);
    bool Pause(const PulseStep& step, PulseEvent& event);
    bool Play(const PulseStep& step, PulseEvent& event);

    std::vector<PulseStep> steps_;
    std::size_t step_ = 0;
    // Where the step in hand has got: a pulse, bit or symbol, and a pulse in it.
    std::uint64_t at_ = 0;
    std::uint32_t part_ = 0;
    std::uint32_t repeat_ = 0; // PZX pulses: repeats left of duration_
    std::uint32_t duration_ = 0;
    std::uint64_t samples_ = 0; // CSW: samples so far, and their T-states
    std::uint64_t tstates_ = 0;
    std::optional<CswPulseReader> csw_;
    Level next_ = Level::Low;
};

} // namespace bitreel
