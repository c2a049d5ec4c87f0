#pragma once

// What a tape makes on the EAR socket, as a stream of events: the levels the
// signal holds and for how long, and the points where the tape does
// something a player must know of (a new row, a stop).

#include "pulses/PulseTimings.h"

#include <cstddef>
#include <cstdint>

namespace bitreel {

enum class Level : std::uint8_t { Low, High };

[[nodiscard]] constexpr Level Opposite(Level level) noexcept {
    return level == Level::Low ? Level::High : Level::Low;
}

struct PulseEvent {
    enum class Kind : std::uint8_t {
        Pulse,   // the signal holds level for tstates (0 only sets the level)
        Row,     // the row's block starts playing
        Stop,    // the tape stops at the row (a pause of 0, a 48K stop, a PZX STOP)
        Choice,  // a select block: its first choice is taken
        Corrupt, // the row cannot be read whole: nothing of it plays, and the tape ends
    };
    Kind kind = Kind::Pulse;
    Level level = Level::Low;
    PulseClock clock = PulseClock::Spectrum;
    std::uint32_t tstates = 0;
    std::size_t row = 0;
    // The pulse plays as a whole number of samples at any rate (see
    // WholeSamples.h), its edge no longer on the sample nearest its exact time.
    bool wholeSamples = false;

    friend bool operator==(const PulseEvent&, const PulseEvent&) = default;
};

[[nodiscard]] constexpr PulseEvent PulseOf(Level level, std::uint32_t tstates,
                                           PulseClock clock = PulseClock::Spectrum,
                                           bool wholeSamples = false) noexcept {
    return {PulseEvent::Kind::Pulse, level, clock, tstates, 0, wholeSamples};
}

[[nodiscard]] constexpr PulseEvent RowEvent(PulseEvent::Kind kind, std::size_t row) noexcept {
    return {kind, Level::Low, PulseClock::Spectrum, 0, row};
}

// Anything that gives pulse events one after another.
class PulseSource {
public:
    virtual ~PulseSource() = default;
    // The next event; false once there are no more.
    [[nodiscard]] virtual bool Next(PulseEvent& event) = 0;
};

} // namespace bitreel
