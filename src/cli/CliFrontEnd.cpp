// Shows what the Play and Record engines report on a terminal or to a script.
#include "cli/CliFrontEnd.h"

#include "cli/Console.h"
#include "cli/StopSignals.h"
#include "transfer/ProgressText.h"
#include "transfer/StatusTexts.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace bitreel::cli {
namespace {

struct ProgressCount {
    long long count = 0;
    std::optional<long long> total;
};

// Reads the engines' progress text back: "25 of 50", "1 of ?".
std::optional<ProgressCount> ParseProgress(std::string_view text) {
    const std::size_t of = text.find(" of ");
    if (of == std::string_view::npos) {
        return std::nullopt;
    }
    ProgressCount parsed;
    const std::string_view count = text.substr(0, of);
    if (std::from_chars(count.data(), count.data() + count.size(), parsed.count).ec !=
        std::errc()) {
        return std::nullopt;
    }
    const std::string_view total = text.substr(of + 4);
    long long value = 0;
    if (std::from_chars(total.data(), total.data() + total.size(), value).ec == std::errc()) {
        parsed.total = value;
    }
    return parsed;
}

} // namespace

CliFrontEnd::CliFrontEnd(ProgressReporter& progress, LineWait wait, PendingOutput pending)
    : progress_(progress), wait_(std::move(wait)), pending_(std::move(pending)) {}

void CliFrontEnd::RunStarts(Transfer transfer) {
    transfer_ = transfer;
    lastMoved_ = Clock::now();
}

void CliFrontEnd::RunEnds(Transfer, const TransferResult&) {
    progress_.End();
}

void CliFrontEnd::Status(std::string_view text) {
    const bool waiting = text == WaitingText;
    if (waiting != waitingForCts_) {
        waitingForCts_ = waiting;
        progress_.SetWaiting(waiting);
    }
}

void CliFrontEnd::Progress(std::string_view text, ProgressShown) {
    if (text.empty() || text == lastProgress_) {
        return;
    }
    lastProgress_ = text;
    Moved();
    if (const auto parsed = ParseProgress(text)) {
        progress_.Moved(parsed->count, parsed->total);
    }
}

void CliFrontEnd::BlockGoingOut(int row) {
    lastProgress_.clear();
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
    Moved();
    lastProgress_.clear();
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

void CliFrontEnd::Moved() {
    movedSinceYield_ = true;
    lastMoved_ = Clock::now();
}

void CliFrontEnd::Yield() {
    if (StopSignalled()) {
        Stop(StopCause::Signal);
    }
    if (cause_ != StopCause::None) {
        return;
    }
    if (transfer_ == Transfer::Record) {
        if (idleLimit_ && blocksRecorded_ > 0 && Clock::now() - lastMoved_ >= *idleLimit_) {
            Stop(StopCause::Idle);
            return;
        }
        // Passes follow each other at once while bytes come, so that DTR,
        // raised for each read, goes on pulsing for a machine that sends
        // only while it sees it; once the line has been quiet for a while,
        // a pass waits for the next byte, or a little.
        if (!movedSinceYield_ && Clock::now() - lastMoved_ >= ActiveSpell) {
            wait_(RecordWaitMs);
        }
        movedSinceYield_ = false;
        return;
    }
    if (waitingForCts_) {
        // CTS changes raise no event to wait for: poll it a few hundred times a second.
        wait_(CtsWaitMs);
    } else if (const std::size_t pending = pending_(); pending >= OutputWaitBytes) {
        // About the time half of what waits takes on the line at 9600 baud
        // (a byte a millisecond), so that the line never runs dry.
        wait_(static_cast<int>(std::min<std::size_t>(pending / 2, OutputWaitMaxMs)));
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

} // namespace bitreel::cli
