// Play through the sound card: renders a tape's pulses ahead of the device
// and tells the front end what the machine hears.
#include "transfer/AudioPlayback.h"

#include "transfer/TransferSteps.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace bitreel {
namespace {

// Sound is rendered in slices of this length. 20 ms is a whole number of
// samples at every rate offered, so that silence put in at a stop fills a
// slice exactly and never runs on into the tape behind it.
constexpr std::uint32_t SliceMs = 20;

std::size_t SliceSamples(std::uint32_t rate) {
    return (std::uint64_t{SliceMs} * rate + 500) / 1000;
}

} // namespace

// Runs a second stream of the same tape, a row at a time: when the
// renderer enters a row, this one finds where that row's pulses end, a
// bounded number of pulses a pass, so that a row of millions of pulses
// never holds the device's queue up.
class AudioPlayback::RowLengths {
public:
    explicit RowLengths(std::unique_ptr<PulseSource> source) : source_(std::move(source)) {}

    // Starts on the next row the stream enters, past the rest of the one before.
    void Begin() {
        PulseEvent event;
        while (Take(event) && event.kind != PulseEvent::Kind::Row) {
            Count(event);
        }
        start_ = units_;
        measuring_ = true;
    }

    // Counts at most `most` more of the row's pulses, up to the next event
    // that is not a pulse; true once that end is found.
    bool Measure(std::size_t most) {
        PulseEvent event;
        for (; most > 0; --most) {
            if (!Peek(event) || event.kind != PulseEvent::Kind::Pulse) {
                measuring_ = false;
                return true;
            }
            Count(event);
            pending_.reset();
        }
        return false;
    }

    [[nodiscard]] bool Measuring() const noexcept { return measuring_; }
    // The row's start and end in renderer units.
    [[nodiscard]] std::pair<std::uint64_t, std::uint64_t> Span() const noexcept {
        return {start_, units_};
    }

private:
    bool Peek(PulseEvent& event) {
        if (!pending_) {
            PulseEvent next;
            if (!source_->Next(next)) {
                return false;
            }
            pending_ = next;
        }
        event = *pending_;
        return true;
    }
    bool Take(PulseEvent& event) {
        const bool any = Peek(event);
        pending_.reset();
        return any;
    }
    void Count(const PulseEvent& event) {
        if (event.kind == PulseEvent::Kind::Pulse) {
            units_ += SampleRenderer::Units(event.tstates, event.clock);
        }
    }

    std::unique_ptr<PulseSource> source_;
    std::optional<PulseEvent> pending_;
    std::uint64_t units_ = 0;
    std::uint64_t start_ = 0;
    bool measuring_ = false;
};

AudioPlayback::AudioPlayback(AudioOutput& output, TransferFrontEnd& frontEnd,
                             TapeStopFrontEnd& stops)
    : output_(output), frontEnd_(frontEnd), stops_(stops) {}

AudioPlayback::~AudioPlayback() = default;

TransferResult AudioPlayback::Run(const AudioTape& tape, const RenderOptions& options) {
    return Guarded(static_cast<int>(tape.fromRow), {}, [&] { return Play(tape, options); });
}

TransferResult AudioPlayback::Guarded(int fromRow, const std::filesystem::path& readFrom,
                                      const std::function<TransferResult()>& run) {
    frontEnd_.RunStarts(Transfer::Play);
    row_ = fromRow;
    TransferResult result;
    try {
        try {
            result = run();
        } catch (const std::system_error& error) {
            // Only the image's file is read: any other such error is unexpected.
            if (readFrom.empty()) {
                throw;
            }
            result = Failure(ReadFailure(readFrom, error));
        }
    } catch (const TransferAbandoned&) {
        output_.Discard();
        return {TransferResult::Ending::Stopped, {}, row_};
    } catch (...) {
        output_.Discard();
        frontEnd_.RunEnds(Transfer::Play, Failure("Unexpected error"));
        throw;
    }
    Finish(result);
    return result;
}

void AudioPlayback::Finish(const TransferResult& result) {
    renderer_.reset();
    source_.reset();
    lengths_.reset();
    image_.reset();
    frontEnd_.RunEnds(Transfer::Play, result);
}

TransferResult AudioPlayback::Play(const AudioTape& tape, const RenderOptions& options) {
    tape_ = &tape;
    rate_ = options.rate;
    source_ = tape.pulses();
    lengths_ = std::make_unique<RowLengths>(tape.pulses());
    renderer_.emplace(*source_, options);
    buffer_.assign(SliceSamples(rate_), 0);
    marks_.clear();
    written_ = 0;
    rendered_ = heldAtStop_ = anyRow_ = false;
    stoppedAt_.reset();
    shown_.reset();
    rowLength_.reset();
    rowSerial_ = heardSerial_ = 0;

    for (;;) {
        if (frontEnd_.StopRequested()) {
            output_.Discard();
            return {TransferResult::Ending::Stopped, {}, row_};
        }
        if (const auto failure = output_.Failure()) {
            output_.Discard();
            return Failure("Stopped at block " + RowNumberText(row_) + ": " + *failure);
        }
        if (output_.Underruns() > 0) {
            output_.Discard();
            return Failure("Stopped at block " + RowNumberText(row_) +
                           ": the sound card ran out of samples");
        }
        const std::uint64_t played = Played();
        if (auto ended = Reached(played)) {
            return *ended;
        }
        if (stoppedAt_) {
            switch (stops_.RestartAsked()) {
            case TapeRestart::NotYet:
                break;
            case TapeRestart::GoOn:
                stoppedAt_.reset();
                heldAtStop_ = false;
                frontEnd_.Status(Activity::Playing);
                break;
            case TapeRestart::EndHere: {
                output_.Discard();
                TransferResult result{TransferResult::Ending::Done, {}, *stoppedAt_};
                result.atStopBlock = true;
                if (tape_->rowCount &&
                    static_cast<std::size_t>(*stoppedAt_) + 1 < *tape_->rowCount) {
                    result.resumeRow = *stoppedAt_ + 1;
                }
                return result;
            }
            }
        }
        MeasureRow(MeasuredAtOnce);
        ShowProgress(played, ProgressShown::WithNextPaint);
        Idle(TopUp() ? std::chrono::milliseconds::zero() : MostIdle);
    }
}

std::optional<TransferResult> AudioPlayback::Reached(std::uint64_t played) {
    while (!marks_.empty() && marks_.front().sample <= played) {
        const Mark mark = marks_.front();
        marks_.pop_front();
        if (mark.kind != Mark::Kind::Choice) {
            // The row in hand is over: its final count stands, as a block's
            // last byte does on the line.
            ShowProgress(std::max(played, rowStart_ + rowLength_.value_or(0)),
                         ProgressShown::AtOnce);
        }
        switch (mark.kind) {
        case Mark::Kind::Row:
            row_ = mark.row;
            rowStart_ = mark.sample;
            rowLength_ = mark.length;
            heardSerial_ = mark.serial;
            anyRow_ = true;
            shown_.reset();
            frontEnd_.BlockGoingOut(row_);
            break;
        case Mark::Kind::Choice:
            stops_.ChoiceTaken(mark.row);
            break;
        case Mark::Kind::Stop:
            row_ = mark.row;
            stoppedAt_ = mark.row;
            stops_.TapeStopped(mark.row);
            break;
        case Mark::Kind::Corrupt:
            // Everything before it was heard whole; nothing of it plays.
            row_ = mark.row;
            output_.Discard();
            return Failure("Stopped at block " + RowNumberText(row_) + ": corrupt block");
        case Mark::Kind::Unlisted:
            row_ = mark.row;
            output_.Discard();
            return Failure("Stopped at block " + RowNumberText(row_) +
                           ": the file changed since it was listed");
        case Mark::Kind::End:
            output_.Drained();
            return TransferResult{TransferResult::Ending::Done, {}, row_};
        }
    }
    return std::nullopt;
}

void AudioPlayback::ShowProgress(std::uint64_t played, ProgressShown shown) {
    if (!anyRow_ || rowLength_ == 0) {
        return; // a row that makes no sound shows no count, as one with no frame
    }
    // A row still being measured shows its time without a total.
    const std::uint64_t heard =
        std::min(played > rowStart_ ? played - rowStart_ : 0, rowLength_.value_or(UINT64_MAX));
    const BlockProgress progress{
        Milliseconds(heard), rowLength_ ? std::optional(Milliseconds(*rowLength_)) : std::nullopt,
        ProgressUnit::Milliseconds};
    // The final count is shown once, at once when the row ends before it
    // came round.
    if (progress != shown_) {
        shown_ = progress;
        frontEnd_.Progress(progress, shown);
    }
}

bool AudioPlayback::TopUp() {
    const std::size_t slice = buffer_.size();
    bool any = false;
    for (;;) {
        if (output_.FreeSamples() < slice) {
            return any;
        }
        const std::size_t made = Render(slice);
        if (made > 0) {
            output_.Write(std::span<const std::int16_t>(buffer_.data(), made));
            written_ += made;
            lastSample_ = buffer_[made - 1];
            any = true;
        }
    }
}

std::size_t AudioPlayback::Render(std::size_t most) {
    const std::span<std::int16_t> out(buffer_.data(), most);
    if (rendered_) {
        // After the tape: the level it rests at, until the sound before has played.
        std::fill(out.begin(), out.end(), lastSample_);
        return most;
    }
    if (heldAtStop_) {
        renderer_->InsertSilence(SliceMs);
    }
    const SampleRenderer::Filled filled = renderer_->Fill(out);
    if (filled.event) {
        Rendered(*filled.event);
    }
    if (filled.ended) {
        rendered_ = true;
        endSample_ = renderer_->SamplesMade();
        marks_.push_back({Mark::Kind::End, endSample_});
    }
    return filled.samples;
}

void AudioPlayback::Rendered(const PulseEvent& event) {
    const std::uint64_t at = renderer_->SamplesMade();
    const int row = static_cast<int>(event.row);
    switch (event.kind) {
    case PulseEvent::Kind::Pulse:
        break;
    case PulseEvent::Kind::Row: {
        if (tape_->listedRows && row >= *tape_->listedRows) {
            marks_.push_back({Mark::Kind::Unlisted, at, row});
            rendered_ = true;
            break;
        }
        // The renderer has passed the row before: its length is due now.
        MeasureRow(std::numeric_limits<std::size_t>::max());
        lengths_->Begin();
        marks_.push_back({Mark::Kind::Row, at, row, std::nullopt, ++rowSerial_});
        MeasureRow(MeasuredAtOnce);
        break;
    }
    case PulseEvent::Kind::Stop:
        heldAtStop_ = true;
        marks_.push_back({Mark::Kind::Stop, at, row});
        break;
    case PulseEvent::Kind::Choice:
        marks_.push_back({Mark::Kind::Choice, at, row});
        break;
    case PulseEvent::Kind::Corrupt:
        // Nothing of a corrupt row is heard, so it is never the row in hand:
        // the run ends before it, as over the line.
        if (!marks_.empty() && marks_.back().kind == Mark::Kind::Row && marks_.back().row == row) {
            marks_.pop_back();
        }
        marks_.push_back({Mark::Kind::Corrupt, at, row});
        rendered_ = true;
        break;
    }
}

void AudioPlayback::MeasureRow(std::size_t most) {
    if (!lengths_->Measuring() || !lengths_->Measure(most)) {
        return;
    }
    const std::uint64_t serial = rowSerial_; // the row last entered
    const auto [start, end] = lengths_->Span();
    const std::uint64_t length =
        SampleRenderer::EdgeSample(end, rate_) - SampleRenderer::EdgeSample(start, rate_);
    const auto mark = std::find_if(marks_.begin(), marks_.end(), [&](const Mark& m) {
        return m.kind == Mark::Kind::Row && m.serial == serial;
    });
    if (mark != marks_.end()) {
        mark->length = length;
    } else if (heardSerial_ == serial) {
        rowLength_ = length; // the row is being heard already
    }
}

void AudioPlayback::Idle(std::chrono::milliseconds most) {
    stops_.Idle(most);
    EndIfAbandoned(abandoned_);
}

std::uint64_t AudioPlayback::Played() {
    return written_ - std::min<std::uint64_t>(output_.QueuedSamples(), written_);
}

std::int64_t AudioPlayback::Milliseconds(std::uint64_t samples) const {
    return static_cast<std::int64_t>(samples * 1000 / rate_);
}

TransferResult AudioPlayback::Failure(std::string reason) const {
    return {TransferResult::Ending::Failed, std::move(reason), row_};
}

} // namespace bitreel
