#pragma once

#include "transfer/TransferFrontEnd.h"

#include <chrono>
#include <cstddef>
#include <functional>

namespace bitreel {

// How long a front end's yield may wait on the line before the engine's next
// pass, so that a transfer with nothing to do takes almost no processor time.
// A wait ends early when a byte comes or the user acts: these are upper
// bounds. Fed with what the engine reports; asked at every yield.
class LineWaits {
public:
    using Clock = std::chrono::steady_clock;

    void RunStarts(Transfer transfer, Clock::time_point now);
    void ActivityIs(Activity activity) { waitingForCts_ = activity == Activity::Waiting; }
    // Bytes moved, or a block was recorded.
    void Moved(Clock::time_point now);
    [[nodiscard]] Clock::time_point LastMoved() const { return lastMoved_; }

    // How long this yield may wait; zero when the next pass is to follow at
    // once. pendingOutput is asked only where Play's pace depends on it.
    [[nodiscard]] std::chrono::milliseconds Next(Clock::time_point now,
                                                 const std::function<std::size_t()>& pendingOutput);

    // Record: the wait after a pass that found nothing, once the line has
    // been quiet for ActiveSpell. Passes follow each other at once before
    // that, so that DTR, raised for each read, goes on pulsing for a machine
    // that sends only while it sees it.
    static constexpr std::chrono::milliseconds RecordWait{10};
    static constexpr std::chrono::milliseconds ActiveSpell{50};
    // Play: CTS changes raise no event to wait for, so it is polled a few
    // hundred times a second while the machine holds it down.
    static constexpr std::chrono::milliseconds CtsWait{5};
    // Play: with at least OutputWaitBytes waiting in the port, about the time
    // half of them take on the line at 9600 baud (a byte a millisecond), so
    // that the line never runs dry; at most OutputWaitMax.
    static constexpr std::size_t OutputWaitBytes = 16;
    static constexpr std::chrono::milliseconds OutputWaitMax{10};

private:
    Transfer transfer_ = Transfer::Play;
    bool waitingForCts_ = false;
    bool movedSinceYield_ = false;
    Clock::time_point lastMoved_{};
};

} // namespace bitreel
