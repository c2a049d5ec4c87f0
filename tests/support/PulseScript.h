#pragma once

// Pulse events written out by a test, played as a tape would give them:
// rows of tones, stops, choices and corrupt rows, without an image file.

#include "pulses/Pulses.h"
#include "support/PulseList.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace bitreel::test {

class PulseScript {
public:
    // The row starts, with count pulses of tstates each, the levels taking
    // turns from low.
    PulseScript& Row(std::size_t row, std::uint32_t count = 0, std::uint32_t tstates = 2168) {
        events_.push_back(RowEvent(PulseEvent::Kind::Row, row));
        for (std::uint32_t i = 0; i < count; ++i) {
            events_.push_back(PulseOf(level_, tstates));
            level_ = Opposite(level_);
        }
        return *this;
    }
    PulseScript& Event(PulseEvent::Kind kind, std::size_t row) {
        events_.push_back(RowEvent(kind, row));
        return *this;
    }

    [[nodiscard]] const std::vector<PulseEvent>& Events() const { return events_; }

    // A fresh stream of the events, as often as asked.
    [[nodiscard]] std::unique_ptr<PulseSource> Stream() const {
        return std::make_unique<PulseList>(events_);
    }

private:
    std::vector<PulseEvent> events_;
    Level level_ = Level::Low;
};

} // namespace bitreel::test
