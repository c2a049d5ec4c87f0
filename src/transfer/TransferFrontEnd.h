#pragma once

#include "transfer/TransferResult.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

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

// Play through the sound card, at a block that stops the tape: what the user
// has said.
enum class TapeRestart {
    NotYet,  // nothing yet: the tape stays stopped
    GoOn,    // start the tape again
    EndHere, // the user cannot answer (no input to read): the run ends at the
             // stop, as Play over the line does
};

// What a transfer tells the one who started it, as values; each front end
// words and shows them its own way (a window on its own labels and lists, a
// command line as text).
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

    // Record: the file is chosen in this folder. False when the folder
    // cannot be shown, which ends the run.
    [[nodiscard]] virtual bool RecordingFolder(const std::filesystem::path& folder) = 0;
    // Record: blocks may arrive from now on; the list of them starts empty
    // and the run can be stopped.
    virtual void ReceivingStarts() = 0;
    // Record: a block was written; its contents row.
    virtual void BlockRecorded(std::string_view row) = 0;

    // Play through the sound card: the tape stopped at this row; the front
    // end tells the user how to go on.
    virtual void TapeStopped(int row) = 0;
    // Asked while the tape is stopped, between yields.
    [[nodiscard]] virtual TapeRestart RestartAsked() = 0;
    // Play through the sound card: the select block of this row plays its
    // first choice.
    virtual void ChoiceTaken(int row) = 0;
    // Play through the sound card: lets the user act as Yield does, and with
    // nothing from the user waits at most this long, for as long as the
    // sound queued lasts (zero: returns at once).
    virtual void Idle(std::chrono::milliseconds most) = 0;

    // Lets the user act (Stop, Exit) and returns. When the run has nothing
    // to do (see LineWaits) it may first wait a little for the line or the
    // user.
    virtual void Yield() = 0;
    [[nodiscard]] virtual bool StopRequested() const = 0;
};

} // namespace bitreel
