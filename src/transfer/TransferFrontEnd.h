#pragma once

#include "transfer/TransferResult.h"

#include <cstdint>
#include <optional>

namespace bitreel {

enum class Transfer { Play, Record };

// What a running transfer is doing.
enum class Activity {
    Playing,   // bytes go out
    Waiting,   // the machine holds CTS down
    Recording, // blocks are received
};

// What a block's progress is counted in: the serial line moves bytes, the
// sound card plays time.
enum class ProgressUnit { Bytes, Milliseconds };

// How far the block in hand has got: its bytes moved (or its time played) so
// far and, once its length is known, its whole size.
struct BlockProgress {
    std::int64_t count = 0;
    std::optional<std::int64_t> total;
    ProgressUnit unit = ProgressUnit::Bytes;

    friend bool operator==(const BlockProgress&, const BlockProgress&) = default;
};

// Whether progress must be on screen before the run goes on, or may
// wait for the next repaint (the count inside a frame, on the per-byte path).
enum class ProgressShown { AtOnce, WithNextPaint };

// What every transfer tells the one who started it, as values; each front
// end words and shows them its own way (a window on its own labels and lists,
// a command line as text). What only recording or a tape's stops need is in
// RecordingFrontEnd and TapeStopFrontEnd, so that a front end for one road
// implements that road alone.
class TransferFrontEnd {
public:
    virtual ~TransferFrontEnd() = default;

    // The run begins: nothing else may start until RunEnds, the stop request
    // is cleared, and the transfer's activity is shown at once.
    virtual void RunStarts(Transfer transfer) = 0;
    // The run is over, however it ended; the status lines are emptied.
    virtual void RunEnds(Transfer transfer, const TransferResult& result) = 0;

    // What Play is doing now. Called for every byte: a front end acts only
    // when it changes.
    virtual void Status(Activity activity) = 0;
    // The progress of the block in hand.
    virtual void Progress(const BlockProgress& progress, ProgressShown shown) = 0;
    // No progress to show any more; it may go with the next repaint.
    virtual void ClearProgress() = 0;

    // Play: the block of this contents row is going out.
    virtual void BlockGoingOut(int row) = 0;

    // Lets the user act (Stop, Exit) and returns. When the run has nothing
    // to do (see LineWaits) it may first wait a little for the line or the
    // user.
    virtual void Yield() = 0;
    [[nodiscard]] virtual bool StopRequested() const = 0;
};

} // namespace bitreel
