// Play through the sound card of an image file: the one place the audio
// engine opens an image and makes its pulses.
#include "transfer/AudioPlayback.h"

#include "tape/PulseStream.h"
#include "transfer/TransferSteps.h"

#include <algorithm>
#include <system_error>

namespace bitreel {
namespace {

// The tape layout in force follows from the machine chosen: Spectrum TAP
// for the Spectrum only.
MachineKind MachineOf(TapeLayout layout) {
    return layout == TapeLayout::SpectrumTap ? MachineKind::Spectrum : MachineKind::JupiterAce;
}

} // namespace

TransferResult AudioPlayback::Run(const PlayRequest& request, const RenderOptions& options) {
    if (request.file.filename().empty()) {
        return {};
    }
    frontEnd_.RunStarts(Transfer::Play);
    row_ = request.startRow;
    TransferResult result;
    try {
        image_.emplace(request.file, MachineOf(request.layout), request.layout);
        image_->IndexAll();
        AudioTape tape;
        const PulseRange range{static_cast<std::size_t>(std::max(request.startRow, 0)),
                               request.lastRow ? std::optional<std::size_t>(*request.lastRow)
                                               : std::nullopt};
        tape.pulses = [this, range] { return std::make_unique<PulseStream>(*image_, range); };
        tape.fromRow = range.fromRow;
        tape.rowCount = image_->RowCount();
        tape.listedRows = request.rowCount;
        result = Play(tape, options);
    } catch (const TransferAbandoned&) {
        output_.Discard();
        return {TransferResult::Ending::Stopped, {}, row_};
    } catch (const std::system_error& error) {
        result = Failure(ReadFailure(request.file, error));
    } catch (...) {
        output_.Discard();
        frontEnd_.RunEnds(Transfer::Play, Failure("Unexpected error"));
        throw;
    }
    Finish(result);
    return result;
}

} // namespace bitreel
