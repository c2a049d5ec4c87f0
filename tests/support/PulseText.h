#pragma once

// A pulse stream written as a short text, for tests that compare a tape's
// pulses with a table: "H2168x3" is three pulses of 2168 T-states, the first
// high and each after it the other level; "a" after the length marks the
// Jupiter Ace's clock and "w" a pulse played in whole samples; a pulse that
// keeps the level of the one before, or changes length, starts a new run. "row2", "stop3",
// "choice1", "corrupt4" are the other events.

#include "pulses/Pulses.h"

#include <string>

namespace bitreel::test {

class PulseText {
public:
    void Add(const PulseEvent& e) {
        if (e.kind != PulseEvent::Kind::Pulse) {
            Flush();
            constexpr const char* Names[] = {"", "row", "stop", "choice", "corrupt"};
            Token(Names[static_cast<int>(e.kind)] + std::to_string(e.row));
            return;
        }
        if (count_ > 0 && e.tstates == length_ && e.clock == clock_ && e.wholeSamples == whole_ &&
            e.level != last_) {
            ++count_;
        } else {
            Flush();
            first_ = e.level;
            length_ = e.tstates;
            clock_ = e.clock;
            whole_ = e.wholeSamples;
            count_ = 1;
        }
        last_ = e.level;
    }
    // The text of everything added, up to limit events.
    static std::string Of(PulseSource& source, std::size_t limit = 1'000'000) {
        PulseText text;
        PulseEvent e;
        for (std::size_t n = 0; n < limit && source.Next(e); ++n) {
            text.Add(e);
        }
        return text.Take();
    }
    std::string Take() {
        Flush();
        return std::move(text_);
    }

private:
    void Flush() {
        if (count_ == 0) {
            return;
        }
        std::string run = (first_ == Level::High ? "H" : "L") + std::to_string(length_);
        if (clock_ == PulseClock::JupiterAce) {
            run += "a";
        }
        if (whole_) {
            run += "w";
        }
        if (count_ > 1) {
            run += "x" + std::to_string(count_);
        }
        count_ = 0;
        Token(run);
    }
    void Token(const std::string& token) {
        if (!text_.empty()) {
            text_ += ' ';
        }
        text_ += token;
    }

    std::string text_;
    Level first_ = Level::Low;
    Level last_ = Level::Low;
    PulseClock clock_ = PulseClock::Spectrum;
    bool whole_ = false;
    std::uint32_t length_ = 0;
    std::size_t count_ = 0;
};

} // namespace bitreel::test
