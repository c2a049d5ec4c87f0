#pragma once

#include "cli/output/ProgressReporter.h"
#include "serial/SystemPort.h"
#include "transfer/LineWaits.h"
#include "transfer/RecordingFrontEnd.h"
#include "transfer/TapeStopFrontEnd.h"
#include "transfer/TransferFrontEnd.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace bitreel::cli {

// How the line is waited on between polls: for a byte to arrive or output
// to leave, at most the given milliseconds.
using LineWait = std::function<void(int timeoutMs)>;
// Bytes written that have not left yet.
using PendingOutput = std::function<std::size_t()>;

// How a command waits on its port: for the port's own events, a timeout at
// most, with DTR raised for the wait when the machine sends only while it
// sees DTR (a recording). A failure of the port sets failed, so the command
// can tell the line's failure from the file's, and goes on as it was.
[[nodiscard]] LineWait WaitOnPort(SystemPort& port, bool holdDtr, bool& failed);

// A transfer's front end on a terminal or in a script: progress on standard
// error, recorded rows on standard output, Stop from a signal or from the
// limits of a recording. Its yield waits on the line while the transfer has
// nothing to do, instead of polling again at once, so that a run waiting for
// CTS or for bytes takes almost no processor time.
class CliFrontEnd final : public TransferFrontEnd,
                          public RecordingFrontEnd,
                          public TapeStopFrontEnd {
public:
    // What ended a run that stopped.
    enum class StopCause { None, Signal, Blocks, Idle };

    CliFrontEnd(ProgressReporter& progress, LineWait wait, PendingOutput pending);

    // Record: stop once this many blocks are written.
    void StopAfterBlocks(int blocks) { blockLimit_ = blocks; }
    // Record: stop once no byte has come for this long after a block was written.
    void StopWhenIdle(std::chrono::milliseconds idle) { idleLimit_ = idle; }
    // Record: told on standard error once blocks may arrive.
    void AnnounceReceiving(std::string text) { receivingText_ = std::move(text); }
    // Play through the sound card: the row a stop or a choice names, as text.
    void NameRows(std::function<std::string(int row)> name) { rowName_ = std::move(name); }
    // Play through the sound card: the user goes on after a stop with a line
    // on this descriptor (standard input); its end, or none, ends the run there.
    void GoOnFrom(int descriptor) { goOnFrom_ = descriptor; }

    [[nodiscard]] StopCause Cause() const { return cause_; }

    void RunStarts(Transfer transfer) override;
    void RunEnds(Transfer transfer, const TransferResult& result) override;
    void Status(Activity activity) override;
    void Progress(const BlockProgress& progress, ProgressShown shown) override;
    void ClearProgress() override;
    void BlockGoingOut(int row) override;
    [[nodiscard]] bool RecordingFolder(const std::filesystem::path& folder) override;
    void ReceivingStarts() override;
    void BlockRecorded(std::string_view row) override;
    void TapeStopped(int row) override;
    [[nodiscard]] TapeRestart RestartAsked() override;
    void ChoiceTaken(int row) override;
    void Idle(std::chrono::milliseconds most) override;
    void Yield() override;
    [[nodiscard]] bool StopRequested() const override;

private:
    using Clock = LineWaits::Clock;

    void Stop(StopCause cause);
    [[nodiscard]] std::string RowNamed(int row) const;

    ProgressReporter& progress_;
    LineWait wait_;
    PendingOutput pending_;
    Transfer transfer_ = Transfer::Play;
    StopCause cause_ = StopCause::None;
    std::optional<int> blockLimit_;
    std::optional<std::chrono::milliseconds> idleLimit_;
    std::string receivingText_;
    LineWaits waits_;
    std::optional<BlockProgress> lastProgress_; // none at the start of a block
    int blocksRecorded_ = 0;
    std::function<std::string(int row)> rowName_;
    int goOnFrom_ = -1;
};

} // namespace bitreel::cli
