// Plays a tape image's rows as the tape runs: each row's pulses, and the
// TZX blocks that send the tape elsewhere.
#include "pulses/PulseStream.h"

#include "pulses/RowPulseReaders.h"
#include "pulses/StepPlayer.h"
#include "tape/TapeImage.h"

#include <array>
#include <unordered_set>

namespace bitreel {

class PulseStream::Walker {
public:
    Walker(const TapeImage& image, PulseRange range)
        : image_(image), range_(range), row_(range.fromRow) {}

    bool Next(PulseEvent& event) {
        for (;;) {
            if (head_ != tail_) {
                event = pending_[head_++ % pending_.size()];
                return true;
            }
            if (playing_) {
                if (player_.Next(event)) {
                    return true;
                }
                playing_ = false;
                MoveOn();
                continue;
            }
            if (ended_) {
                return false;
            }
            StartRow();
        }
    }

private:
    void Push(const PulseEvent& event) { pending_[tail_++ % pending_.size()] = event; }

    // The tape stops or ends: the last pulse gets the edge that ends it, so
    // that the loader sees it whole, and the signal rests low.
    void EndPulses() {
        if (player_.NextLevel() == Level::High) {
            Push(PulseOf(Level::High, TStatesPerMs));
        }
        player_.SetNextLevel(Level::Low);
    }

    void EndTape() {
        EndPulses();
        ended_ = true;
    }

    RowPulses PulsesOf(std::size_t row) {
        const auto bytes = image_.Bytes();
        switch (image_.Format()) {
        case ImageFormat::Tzx:
            return TzxRowPulses(bytes, image_.RowOffset(row), image_.Machine());
        case ImageFormat::Pzx:
            return PzxRowPulses(bytes, image_.RowOffset(row));
        case ImageFormat::Blocks:
            break;
        }
        // The row's bytes are held here, for the steps that play them.
        block_ = image_.BlockAsPlayed(row);
        if (block_.kind == BlockKind::Corrupt) {
            RowPulses corrupt;
            corrupt.flow.kind = RowFlow::Kind::Corrupt;
            return corrupt;
        }
        const auto stored = std::span<const std::uint8_t>(block_.stored);
        return RomRowPulses(stored.subspan(std::min<std::size_t>(2, stored.size())),
                            image_.Machine(), TapPauseMs);
    }

    void StartRow() {
        if (row_ >= image_.RowCount()) {
            EndTape();
            return;
        }
        RowPulses pulses = PulsesOf(row_);
        Push(RowEvent(PulseEvent::Kind::Row, row_));
        flow_ = std::move(pulses.flow);
        switch (flow_.kind) {
        case RowFlow::Kind::Corrupt:
            EndPulses();
            Push(RowEvent(PulseEvent::Kind::Corrupt, row_));
            ended_ = true;
            return;
        case RowFlow::Kind::Stop:
            // A stop at the first row is where the last load stopped: the
            // user has started the tape again there.
            if (started_) {
                EndPulses();
                Push(RowEvent(PulseEvent::Kind::Stop, row_));
            }
            break;
        case RowFlow::Kind::Select:
            Push(RowEvent(PulseEvent::Kind::Choice, row_));
            break;
        default:
            break;
        }
        started_ = true;
        player_.Start(std::move(pulses.steps));
        playing_ = true;
    }

    // Where the tape goes after the row just played.
    void MoveOn() {
        if (range_.lastRow && row_ == *range_.lastRow) {
            EndTape();
            return;
        }
        const std::size_t here = row_;
        std::optional<long long> to = static_cast<long long>(here) + 1;
        switch (flow_.kind) {
        case RowFlow::Kind::Jump:
        case RowFlow::Kind::Select: {
            // Each is followed once: a jump back to itself, or before it
            // with nothing to stop it, would play for ever.
            const int by = flow_.kind == RowFlow::Kind::Jump ? flow_.jump : flow_.targets.front();
            if (by != 0 && jumped_.insert(here).second) {
                to = static_cast<long long>(here) + by;
            }
            break;
        }
        case RowFlow::Kind::LoopStart:
            // Loops do not nest: a loop's start met inside one (a call
            // back before it) leaves the loop running, so that its count
            // still runs down.
            if (!loopStart_) {
                loopStart_ = here + 1;
                loopsLeft_ = flow_.count;
            }
            break;
        case RowFlow::Kind::LoopEnd:
            if (loopStart_ && loopsLeft_ > 1) {
                --loopsLeft_;
                to = static_cast<long long>(*loopStart_);
                // Each pass is the same tape again: its jumps are followed
                // again.
                jumped_.clear();
            } else {
                loopStart_.reset();
            }
            break;
        case RowFlow::Kind::Calls:
            // Calls do not nest: a call met inside one is passed over.
            if (!callRow_ && !flow_.targets.empty()) {
                callRow_ = here;
                calls_ = flow_.targets;
                call_ = 0;
                to = static_cast<long long>(here) + calls_[0];
            }
            break;
        case RowFlow::Kind::Return:
            if (callRow_) {
                ++call_;
                if (call_ < calls_.size()) {
                    to = static_cast<long long>(*callRow_) + calls_[call_];
                } else {
                    to = static_cast<long long>(*callRow_) + 1;
                    callRow_.reset();
                }
            }
            break;
        default:
            break;
        }
        // A jump past the last row asked for ends there too.
        if (*to < 0 || static_cast<std::size_t>(*to) >= image_.RowCount() ||
            (range_.lastRow && static_cast<std::size_t>(*to) > *range_.lastRow)) {
            EndTape();
            return;
        }
        row_ = static_cast<std::size_t>(*to);
    }

    const TapeImage& image_;
    PulseRange range_;
    std::size_t row_;
    StepPlayer player_;
    RowFlow flow_;
    ImageBlock block_;
    std::array<PulseEvent, 8> pending_{};
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
    bool playing_ = false;
    bool started_ = false;
    bool ended_ = false;
    std::optional<std::size_t> loopStart_;
    std::uint32_t loopsLeft_ = 0;
    std::optional<std::size_t> callRow_;
    std::vector<int> calls_;
    std::size_t call_ = 0;
    std::unordered_set<std::size_t> jumped_;
};

PulseStream::PulseStream(const TapeImage& image, PulseRange range)
    : walker_(std::make_unique<Walker>(image, range)) {}
PulseStream::PulseStream(PulseStream&&) noexcept = default;
PulseStream& PulseStream::operator=(PulseStream&&) noexcept = default;
PulseStream::~PulseStream() = default;

bool PulseStream::Next(PulseEvent& event) {
    return walker_->Next(event);
}

} // namespace bitreel
