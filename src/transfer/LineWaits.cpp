// How long a transfer's front end waits between passes that have nothing to do.
#include "transfer/LineWaits.h"

#include <algorithm>

namespace bitreel {

void LineWaits::RunStarts(Transfer transfer, Clock::time_point now) {
    transfer_ = transfer;
    waitingForCts_ = false;
    movedSinceYield_ = false;
    lastMoved_ = now;
}

void LineWaits::Moved(Clock::time_point now) {
    movedSinceYield_ = true;
    lastMoved_ = now;
}

std::chrono::milliseconds LineWaits::Next(Clock::time_point now,
                                          const std::function<std::size_t()>& pendingOutput) {
    using std::chrono::milliseconds;
    if (transfer_ == Transfer::Record) {
        const bool quiet = !movedSinceYield_ && now - lastMoved_ >= ActiveSpell;
        movedSinceYield_ = false;
        return quiet ? RecordWait : milliseconds::zero();
    }
    if (waitingForCts_) {
        return CtsWait;
    }
    if (const std::size_t pending = pendingOutput(); pending >= OutputWaitBytes) {
        return std::min(milliseconds(static_cast<milliseconds::rep>(pending / 2)), OutputWaitMax);
    }
    return milliseconds::zero();
}

} // namespace bitreel
