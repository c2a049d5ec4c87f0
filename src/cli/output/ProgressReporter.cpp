// Shows a transfer's progress on standard error.
#include "cli/output/ProgressReporter.h"

#include "cli/output/Console.h"
#include "tape/TapeImage.h"

#include <numeric>

namespace bitreel::cli {
namespace {

// A terminal is redrawn at most this often, so that a fast line does not
// spend its time writing progress.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

} // namespace

ProgressReporter::ProgressReporter(std::FILE* stream, bool terminal, Counting counting)
    : stream_(stream), terminal_(terminal), counting_(counting) {}

void ProgressReporter::PlanRows(std::vector<long long> frameSizes) {
    frameSizes_ = std::move(frameSizes);
    blocks_ = static_cast<int>(frameSizes_.size());
}

void ProgressReporter::StartBlock(int index) {
    index_ = index;
    inBlock_ = true;
    count_ = 0;
    total_.reset();
    // Play knows each frame's size before its first byte goes.
    const auto planned = static_cast<std::size_t>(index);
    if (counting_ == Counting::Play && index >= 0 && planned < frameSizes_.size() &&
        frameSizes_[planned] > 0) {
        total_ = frameSizes_[planned];
    }
    if (counting_ == Counting::Record) {
        rateStart_ = Clock::now();
    }
    Draw(true);
}

void ProgressReporter::Moved(long long count, std::optional<long long> total) {
    if (!inBlock_) {
        StartBlock(index_);
    }
    if (!rateStart_ && count > 0) {
        rateStart_ = Clock::now();
    }
    count_ = count;
    total_ = total;
    if (counting_ != Counting::Record && total && count >= *total) {
        FinishBlock();
        return;
    }
    Draw(false);
}

void ProgressReporter::SetWaiting(bool waiting) {
    if (waiting != waiting_) {
        waiting_ = waiting;
        if (inBlock_) {
            Draw(true);
        }
    }
}

void ProgressReporter::FinishBlock() {
    if (!inBlock_) {
        return;
    }
    if (total_) {
        count_ = *total_;
    }
    if (terminal_) {
        Draw(true);
    } else {
        Write(stream_, FinishedLine(Figures()) + "\n");
        std::fflush(stream_);
    }
    bytesBefore_ += count_;
    inBlock_ = false;
    ++index_;
}

void ProgressReporter::ClearLine() {
    if (drawn_) {
        Write(stream_, "\r\x1b[K");
        std::fflush(stream_);
        drawn_ = false;
    }
}

void ProgressReporter::End() {
    if (drawn_) {
        Write(stream_, "\n");
        std::fflush(stream_);
        drawn_ = false;
    }
}

ProgressFigures ProgressReporter::Figures() const {
    ProgressFigures figures;
    figures.block = static_cast<int>(RowNumberOf(index_));
    figures.blocks = blocks_;
    figures.count = count_;
    figures.total = total_;
    figures.waiting = waiting_;
    figures.time = counting_ == Counting::Sound;
    if (figures.time) {
        return figures; // a tape plays at its own speed: no rate to tell
    }
    const long long moved = (counting_ == Counting::Play ? bytesBefore_ : 0) + count_;
    if (rateStart_) {
        const double seconds = std::chrono::duration<double>(Clock::now() - *rateStart_).count();
        if (seconds > 0.05) {
            figures.bytesPerSecond = static_cast<double>(moved) / seconds;
        }
    }
    if (figures.bytesPerSecond > 0 && total_) {
        long long left = *total_ - count_;
        if (counting_ == Counting::Play && index_ + 1 < static_cast<int>(frameSizes_.size())) {
            left = std::accumulate(frameSizes_.begin() + index_ + 1, frameSizes_.end(), left);
        }
        figures.secondsLeft = static_cast<double>(left) / figures.bytesPerSecond;
    }
    return figures;
}

void ProgressReporter::Draw(bool force) {
    if (!terminal_) {
        return;
    }
    const auto now = Clock::now();
    if (!force && drawn_ && now - lastDraw_ < RedrawInterval) {
        return;
    }
    lastDraw_ = now;
    Write(stream_, "\r" + RunningLine(Figures()) + "\x1b[K");
    std::fflush(stream_);
    drawn_ = true;
}

} // namespace bitreel::cli
