// Record through the sound card: blocks decoded from the sound as it comes.
#include "transfer/AudioRecording.h"

#include "signal/decode/TzxBlocks.h"
#include "tape/Conversion.h"
#include "tape/TapeChoice.h"
#include "tape/formats/BlockReader.h"
#include "tape/formats/ByteCursor.h"
#include "transfer/TransferRun.h"
#include "transfer/TransferSteps.h"

#include <system_error>

namespace bitreel {
namespace {

// The frame of a block as read: its length field, then its bytes as they
// came, a wrong checksum and all.
std::vector<std::uint8_t> FrameAsRead(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> frame(2);
    PutLe16(std::span(frame).first<2>(), static_cast<std::uint16_t>(bytes.size()));
    frame.insert(frame.end(), bytes.begin(), bytes.end());
    return frame;
}

std::int64_t Milliseconds(std::size_t samples, std::uint32_t rate) {
    return static_cast<std::int64_t>(samples * 1000 / rate);
}

} // namespace

TransferResult AudioRecording::Run(const AudioRecordingRequest& request) {
    const auto close = [&] { file_.reset(); };
    return RunTransfer(
        frontEnd_, Transfer::Record, blocks_, [&] { return Record(request); },
        [&](const std::system_error& error) {
            return FileFailure("Cannot write", request.output, error);
        },
        RunSteps{close, close, [&](TransferResult& result) {
                     if (headerWritten_ || (!request.tzx && blocks_ > 0)) {
                         result.file = moved_ ? movedTo_ : request.output;
                     }
                     result.moved = moved_;
                     result.damaged = damaged_;
                 }});
}

void AudioRecording::Abandon() noexcept {
    abandoned_ = true;
    file_.reset();
}

TransferResult AudioRecording::Record(const AudioRecordingRequest& request) {
    const std::filesystem::path folder = request.output.parent_path();
    if (!recordingFrontEnd_.RecordingFolder(folder)) {
        return Failure("Cannot open the folder " + folder.filename().string());
    }
    file_.emplace(request.output, request.existing);
    recordingFrontEnd_.ReceivingStarts();
    LiveDecoder decoder(input_.Rate(), request.machine);
    BlockLister lister(request.machine, IsTapPath(request.output));
    std::vector<float> samples;
    std::size_t heard = 0; // samples of the sound since the last quiet
    std::optional<std::string> failure;
    while (!frontEnd_.StopRequested()) {
        input_.Read(samples);
        decoder.Feed(samples);
        TakeFound(decoder, request, lister);
        if ((failure = input_.Failure())) {
            break;
        }
        // The time of the sound since the last quiet: a block may be coming.
        heard = decoder.EdgesHeld() > 0 ? heard + samples.size() : 0;
        if (heard > 0) {
            frontEnd_.Progress(
                {Milliseconds(heard, input_.Rate()), std::nullopt, ProgressUnit::Milliseconds},
                ProgressShown::WithNextPaint);
        }
        frontEnd_.Yield();
        EndIfAbandoned(abandoned_);
    }
    // What was heard up to the end is read too: the last block ends there.
    decoder.Flush();
    TakeFound(decoder, request, lister);
    file_->Close();
    file_.reset();
    if (failure) {
        inputFailed_ = true;
        return Failure(*failure);
    }
    return {TransferResult::Ending::Stopped, {}, blocks_};
}

void AudioRecording::TakeFound(LiveDecoder& decoder, const AudioRecordingRequest& request,
                               BlockLister& lister) {
    for (const LiveItem& item : decoder.TakeEnded()) {
        if (!item.block) {
            ++stretches_;
            continue;
        }
        const std::vector<std::uint8_t> frame = FrameAsRead(item.block->bytes);
        TapeBlock block;
        FrameFromBody(std::span(frame).subspan(2), block);
        // The row is made while the block still has its flag; a damaged
        // block's row says so.
        const std::string row = lister.Row(block);
        if (!request.tzx) {
            if (item.block->bytes.size() > 0xFFFF) {
                ++tooLong_;
                continue;
            }
            file_->Write(BlockInLayout(frame, request.layout));
            NoteMove();
        }
        if (!item.block->checksumGood) {
            damaged_.push_back(blocks_);
        }
        ++blocks_;
        // A block its header shows short or long has a right checksum, so
        // its row alone would not say it is damaged: the text the TZX keeps
        // before it says why.
        recordingFrontEnd_.BlockRecorded(item.block->announced && ChecksumRight(item.block->bytes)
                                             ? row + " (" + DamageText(*item.block) + ")"
                                             : row);
    }
    const std::vector<std::uint8_t> tzx = decoder.TakeTzx();
    if (request.tzx && !tzx.empty()) {
        if (!headerWritten_) {
            // With its first block: a file that takes its name is a tape.
            std::vector<std::uint8_t> first = TzxFileHeader(request.machine);
            first.insert(first.end(), tzx.begin(), tzx.end());
            file_->Write(first);
            headerWritten_ = true;
        } else {
            file_->Write(tzx);
        }
        NoteMove();
    }
}

void AudioRecording::NoteMove() {
    if (file_->Moved()) {
        moved_ = file_->Moved();
        movedTo_ = file_->Path();
    }
}

TransferResult AudioRecording::Failure(std::string reason) const {
    return {TransferResult::Ending::Failed, std::move(reason), blocks_};
}

} // namespace bitreel
