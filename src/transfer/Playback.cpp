// The Play command: sends the blocks of a tape image out of the serial port.
#include "transfer/Playback.h"

#include "tape/TapeImage.h"
#include "transfer/TransferRun.h"
#include "transfer/TransferSteps.h"

#include <cstddef>
#include <system_error>

namespace bitreel {
namespace {

// The tape layout in force follows from the machine chosen: Spectrum TAP
// for the Spectrum only.
MachineKind MachineOf(TapeLayout layout) {
    return layout == TapeLayout::SpectrumTap ? MachineKind::Spectrum : MachineKind::JupiterAce;
}

} // namespace

TransferResult Playback::Run(const PlayRequest& request) {
    if (request.file.filename().empty()) {
        return {};
    }
    return RunTransfer(
        frontEnd_, Transfer::Play, row_, [&] { return Play(request); },
        [&](const std::system_error& error) { return ReadFailure(request.file, error); },
        RunSteps{[&] { image_.reset(); }, [&] { Release(); }, [](TransferResult&) {}});
}

void Playback::Abandon() noexcept {
    abandoned_ = true;
}

TransferResult Playback::Play(const PlayRequest& request) {
    port_.DiscardOutput();
    image_.emplace(request.file, MachineOf(request.layout), request.layout);
    image_->IndexAll();
    TransferResult result = PlayRows(request);

    if (result.ending != TransferResult::Ending::Stopped) {
        WaitUntilSent();
        // A Stop while the last bytes left: they are discarded, so the
        // playback is not complete, and the next Play starts over.
        if (result.ending == TransferResult::Ending::Done && frontEnd_.StopRequested()) {
            result.ending = TransferResult::Ending::Stopped;
            result.resumeRow.reset();
            result.atStopBlock = false;
        }
    }
    return result;
}

TransferResult Playback::PlayRows(const PlayRequest& request) {
    const auto count = static_cast<std::ptrdiff_t>(image_->RowCount());
    for (row_ = request.startRow;; ++row_) {
        if (frontEnd_.StopRequested()) {
            return {TransferResult::Ending::Stopped, {}, row_};
        }
        if (row_ >= count) {
            return {TransferResult::Ending::Done, {}, row_};
        }
        const auto row = static_cast<std::size_t>(row_);
        const BlockKind kind = image_->Block(row).kind;
        if (kind == BlockKind::Corrupt) {
            // The blocks before it have gone out whole; nothing of it goes.
            return Failure("Stopped at block " + RowNumberText(row_) + ": corrupt block");
        }
        // A stop at the start row is where the previous load ended: the user
        // starts the tape again there.
        if (kind == BlockKind::Stop && row_ > request.startRow) {
            TransferResult stopped{TransferResult::Ending::Done, {}, row_};
            stopped.atStopBlock = true;
            if (row_ + 1 < count) {
                stopped.resumeRow = row_ + 1;
            }
            return stopped;
        }
        std::optional<TapeBlock> frame;
        if (kind != BlockKind::Skipped && kind != BlockKind::Stop) {
            frame = image_->Frame(row);
        }
        if (auto ended = SendRow(request, frame ? &*frame : nullptr)) {
            return *ended;
        }
    }
}

std::optional<TransferResult> Playback::SendRow(const PlayRequest& request,
                                                const TapeBlock* block) {
    if (request.rowCount && row_ >= *request.rowCount) {
        return Failure("Stopped at block " + RowNumberText(row_) +
                       ": the file changed since it was listed");
    }
    frontEnd_.BlockGoingOut(row_);
    if (block) {
        std::int32_t sent = 0;
        SendFrame(*block, sent);
        if (sent > 0) {
            frontEnd_.Progress({sent, static_cast<std::int64_t>(block->Length) + 2},
                               ProgressShown::AtOnce);
        }
    }
    if (frontEnd_.StopRequested()) {
        return TransferResult{TransferResult::Ending::Stopped, {}, row_};
    }
    if (request.lastRow && row_ >= *request.lastRow) {
        return TransferResult{TransferResult::Ending::Done, {}, row_};
    }
    return std::nullopt;
}

void Playback::SendFrame(const TapeBlock& block, std::int32_t& sent) {
    const std::int64_t total = static_cast<std::int64_t>(block.Length) + 2;
    while (static_cast<std::size_t>(sent) < block.Bytes.size() && block.Length >= 1 &&
           !frontEnd_.StopRequested()) {
        WaitToSend();
        if (frontEnd_.StopRequested()) {
            break;
        }
        frontEnd_.Status(Activity::Playing);
        const std::uint8_t byte = block.Bytes[static_cast<std::size_t>(sent)];
        ++sent;
        port_.Write(std::span(&byte, 1));
        if (sent % 25 == 0) {
            frontEnd_.Progress({sent, total}, ProgressShown::WithNextPaint);
        }
        YieldToFrontEnd();
    }
}

// Waits while the machine holds CTS down, and while the port still holds
// enough bytes for the line to carry for a while: written any sooner, the
// bytes would only queue up, and the window would run ahead of the line.
void Playback::WaitToSend() {
    while (!frontEnd_.StopRequested()) {
        if (!port_.CtsHolding()) {
            frontEnd_.Status(Activity::Waiting);
        } else if (port_.PendingOutput() >= PendingOutputLimit) {
            frontEnd_.Status(Activity::Playing);
        } else {
            return;
        }
        YieldToFrontEnd();
    }
}

// The end of the last block may still be queued when the byte loop ends;
// discarding output now would cut it off. Wait, as the CTS wait does, until
// every byte has left.
void Playback::WaitUntilSent() {
    while (port_.PendingOutput() > 0 && !frontEnd_.StopRequested()) {
        frontEnd_.Status(port_.CtsHolding() ? Activity::Playing : Activity::Waiting);
        YieldToFrontEnd();
    }
}

void Playback::Release() {
    image_.reset();
    // Only bytes still waiting are thrown away. A pseudo-terminal reports
    // its last bytes as sent while they are still crossing to the other
    // side, and discarding then would cut off the end of a whole playback.
    RunGuarded([&] {
        if (port_.PendingOutput() > 0) {
            port_.DiscardOutput();
        }
    });
}

void Playback::YieldToFrontEnd() {
    frontEnd_.Yield();
    EndIfAbandoned(abandoned_);
}

TransferResult Playback::Failure(std::string reason) const {
    return {TransferResult::Ending::Failed, std::move(reason), row_};
}

} // namespace bitreel
