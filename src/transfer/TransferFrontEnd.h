#pragma once

#include "transfer/TransferResult.h"

#include <filesystem>
#include <string_view>

namespace bitreel {

enum class Transfer { Play, Record };

// Whether a progress text must be on screen before the run goes on, or may
// wait for the next repaint (the count inside a frame, on the per-byte path).
enum class ProgressShown { AtOnce, WithNextPaint };

// What a transfer tells the one who started it, in the words of the
// transfer; each front end decides how to show it (a window on its own
// labels and lists, a command line as text).
class TransferFrontEnd {
public:
    virtual ~TransferFrontEnd() = default;

    // The run begins: nothing else may start until RunEnds, the stop request
    // is cleared, and the transfer's status text is shown at once.
    virtual void RunStarts(Transfer transfer) = 0;
    // The run is over, however it ended; the status lines are emptied.
    virtual void RunEnds(Transfer transfer, const TransferResult& result) = 0;

    // The activity line ("Playing...", "Waiting..."). Called for every byte:
    // a front end acts only when the text changes.
    virtual void Status(std::string_view text) = 0;
    // The progress line ("25 of 50"; empty clears it).
    virtual void Progress(std::string_view text, ProgressShown shown) = 0;

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

    // Lets the user act (Stop, Exit) and returns.
    virtual void Yield() = 0;
    [[nodiscard]] virtual bool StopRequested() const = 0;
};

} // namespace bitreel
