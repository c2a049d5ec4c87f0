// Shows what the Play and Record engines report on a terminal or to a script.
#include "cli/transfer/CliFrontEnd.h"

#include "cli/output/Console.h"
#include "cli/transfer/StopSignals.h"

#include "tape/TapeImage.h"

#include <algorithm>
#include <filesystem>

#ifndef _WIN32
#include <poll.h>
#include <unistd.h>
#endif

namespace bitreel::cli {

CliFrontEnd::CliFrontEnd(ProgressReporter& progress, LineWait wait, PendingOutput pending)
    : progress_(progress), wait_(std::move(wait)), pending_(std::move(pending)) {}

void CliFrontEnd::RunStarts(Transfer transfer) {
    transfer_ = transfer;
    waits_.RunStarts(transfer, Clock::now());
}

void CliFrontEnd::RunEnds(Transfer, const TransferResult&) {
    progress_.End();
}

void CliFrontEnd::Status(Activity activity) {
    waits_.ActivityIs(activity);
    progress_.SetWaiting(activity == Activity::Waiting);
}

void CliFrontEnd::Progress(const BlockProgress& progress, ProgressShown) {
    if (progress == lastProgress_) {
        return;
    }
    lastProgress_ = progress;
    waits_.Moved(Clock::now());
    progress_.Moved(progress.count, progress.total);
}

void CliFrontEnd::ClearProgress() {
    // A line that stood after its block is left to the next block here.
}

void CliFrontEnd::BlockGoingOut(int row) {
    lastProgress_.reset();
    progress_.StartBlock(row);
}

bool CliFrontEnd::RecordingFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    return std::filesystem::is_directory(folder, ignored);
}

void CliFrontEnd::ReceivingStarts() {
    if (!receivingText_.empty()) {
        Write(stderr, receivingText_ + "\n");
        std::fflush(stderr);
    }
}

void CliFrontEnd::BlockRecorded(std::string_view row) {
    waits_.Moved(Clock::now());
    lastProgress_.reset();
    progress_.ClearLine();
    Write(stdout, Latin1ToUtf8(row) + "\n");
    // A script reading the rows sees each block as it arrives.
    std::fflush(stdout);
    progress_.FinishBlock();
    ++blocksRecorded_;
    if (blockLimit_ && blocksRecorded_ >= *blockLimit_) {
        Stop(StopCause::Blocks);
    }
}

std::string CliFrontEnd::RowNamed(int row) const {
    std::string text = "block " + RowNumberText(row);
    if (rowName_) {
        text += " (" + rowName_(row) + ")";
    }
    return text;
}

void CliFrontEnd::TapeStopped(int row) {
    progress_.ClearLine();
    Write(stderr, RowNamed(row) + " stops the tape; press Enter to go on, Ctrl-C to end\n");
    std::fflush(stderr);
}

TapeRestart CliFrontEnd::RestartAsked() {
#ifdef _WIN32
    return TapeRestart::EndHere;
#else
    if (goOnFrom_ < 0) {
        return TapeRestart::EndHere;
    }
    pollfd input{goOnFrom_, POLLIN, 0};
    if (poll(&input, 1, 0) == 0) {
        return TapeRestart::NotYet;
    }
    // Whatever has come up to a line's end is taken; the end of the input (a
    // script's, or /dev/null) is an answer too: nobody will say go on.
    char bytes[256];
    const ssize_t got = (input.revents & POLLIN) ? read(goOnFrom_, bytes, sizeof bytes) : 0;
    if (got <= 0) {
        goOnFrom_ = -1;
        return TapeRestart::EndHere;
    }
    return std::find(bytes, bytes + got, '\n') != bytes + got ? TapeRestart::GoOn
                                                              : TapeRestart::NotYet;
#endif
}

void CliFrontEnd::ChoiceTaken(int row) {
    progress_.ClearLine();
    Write(stderr, RowNamed(row) + ": playing its first choice\n");
    std::fflush(stderr);
}

void CliFrontEnd::Idle(std::chrono::milliseconds most) {
    if (StopSignalled()) {
        Stop(StopCause::Signal);
    }
    if (cause_ == StopCause::None) {
        wait_(static_cast<int>(most.count()));
    }
}

void CliFrontEnd::Yield() {
    if (StopSignalled()) {
        Stop(StopCause::Signal);
    }
    if (cause_ != StopCause::None) {
        return;
    }
    const auto now = Clock::now();
    if (transfer_ == Transfer::Record && idleLimit_ && blocksRecorded_ > 0 &&
        now - waits_.LastMoved() >= *idleLimit_) {
        Stop(StopCause::Idle);
        return;
    }
    if (const auto wait = waits_.Next(now, pending_); wait > std::chrono::milliseconds::zero()) {
        wait_(static_cast<int>(wait.count()));
    }
}

bool CliFrontEnd::StopRequested() const {
    return cause_ != StopCause::None || StopSignalled();
}

void CliFrontEnd::Stop(StopCause cause) {
    if (cause_ == StopCause::None) {
        cause_ = cause;
    }
}

LineWait WaitOnPort(SystemPort& port, bool holdDtr, bool& failed) {
    return [&port, holdDtr, &failed](int timeoutMs) {
        try {
            if (holdDtr) {
                port.SetDtrEnable(true);
            }
            port.WaitForLine(timeoutMs);
            if (holdDtr) {
                port.SetDtrEnable(false);
            }
        } catch (const PortError&) {
            failed = true;
            throw;
        }
    };
}

} // namespace bitreel::cli
