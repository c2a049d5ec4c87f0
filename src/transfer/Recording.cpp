// The Record command: writes the frames the machine sends into a new image.
#include "transfer/Recording.h"

#include "transfer/RecordTarget.h"
#include "transfer/TransferRun.h"
#include "transfer/TransferSteps.h"

#include <system_error>

namespace bitreel {

TransferResult Recording::Run(const RecordingRequest& request) {
    const auto close = [&] { file_.reset(); };
    return RunTransfer(
        frontEnd_, Transfer::Record, blocks_, [&] { return Record(request); },
        [&](const std::system_error& error) { return FileFailure("Cannot write", output_, error); },
        RunSteps{close, close, [&](TransferResult& result) {
                     if (blocks_ > 0) {
                         result.file = output_;
                     }
                     result.moved = moved_;
                     result.damaged = damaged_;
                     result.cutShort = gatherer_.InProgress();
                 }});
}

void Recording::Abandon() noexcept {
    abandoned_ = true;
    file_.reset();
}

TransferResult Recording::Record(const RecordingRequest& request) {
    const auto chosen = dialog_.Ask(RecordRequest(request.layout, request.dialogFolder));
    if (!chosen) {
        // Cancelled: straight to the finishing steps.
        return {TransferResult::Ending::Stopped, {}, -1};
    }

    const std::filesystem::path folder = chosen->parent_path();
    if (!recordingFrontEnd_.RecordingFolder(folder)) {
        return Failure("Cannot open the folder " + folder.filename().string());
    }
    output_ = request.keepChosenName ? *chosen : RecordOutputPath(*chosen);

    // Whatever arrived before the recording is not part of it.
    (void)port_.ReadAll();

    recordingFrontEnd_.ReceivingStarts();
    file_.emplace(output_, request.existing);
    gatherer_ = FrameGatherer{};
    progressShown_ = false;
    blocks_ = 0;
    moved_.reset();
    damaged_.clear();
    BlockLister lister(request.machine, IsTapPath(output_));

    Receive(request, lister);

    file_->Close();
    file_.reset();
    return {TransferResult::Ending::Stopped, {}, blocks_};
}

void Recording::Receive(const RecordingRequest& request, BlockLister& lister) {
    // Wide enough never to overflow, however long a recording waits.
    std::int64_t emptyPolls = 0;
    for (;;) {
        if (frontEnd_.StopRequested()) {
            return;
        }

        // DTR tells the machine that we read; it is raised for the read only.
        port_.SetDtrEnable(true);
        gatherer_.Take(port_.ReadAll());
        port_.SetDtrEnable(false);

        if (!gatherer_.Waiting()) {
            ++emptyPolls;
            if (progressShown_ && emptyPolls == EmptyPollsBeforeClearing) {
                frontEnd_.ClearProgress();
                progressShown_ = false;
                emptyPolls = 0;
            }
        } else {
            if (!gatherer_.BlockStarted()) {
                // A frame has begun; its length is not known yet.
                ShowProgress({1, std::nullopt});
            }
            if (gatherer_.Gather()) {
                // The count and total of what the file will hold: one less
                // when the flag is dropped.
                const auto total = static_cast<std::int64_t>(gatherer_.Total());
                const std::int64_t less = request.layout == TapeLayout::AceTap && total > 2 ? 1 : 0;
                ShowProgress({static_cast<std::int64_t>(gatherer_.Count()) - less, total - less});
                if (gatherer_.Complete()) {
                    CompleteBlock(request, lister);
                    emptyPolls = 0;
                }
            }
        }
        YieldToFrontEnd();
    }
}

void Recording::CompleteBlock(const RecordingRequest& request, BlockLister& lister) {
    const TapeBlock block = gatherer_.TakeBlock();
    // The row is made while the block still has its flag.
    const std::string row = lister.Row(block);
    const std::vector<std::uint8_t> stored = BlockInLayout(block.Bytes, request.layout);
    file_->Write(stored);
    // The file may have had to move to a new name to keep every block.
    if (file_->Moved()) {
        output_ = file_->Path();
        moved_ = file_->Moved();
    }
    if (block.Verdict == ChecksumVerdict::Damaged) {
        damaged_.push_back(blocks_);
    }
    ++blocks_;

    const auto size = static_cast<std::int64_t>(stored.size());
    ShowProgress({size, size});
    recordingFrontEnd_.BlockRecorded(row);
}

void Recording::ShowProgress(const BlockProgress& progress) {
    frontEnd_.Progress(progress, ProgressShown::AtOnce);
    progressShown_ = true;
}

void Recording::YieldToFrontEnd() {
    frontEnd_.Yield();
    EndIfAbandoned(abandoned_);
}

TransferResult Recording::Failure(std::string reason) const {
    return {TransferResult::Ending::Failed, std::move(reason), blocks_};
}

} // namespace bitreel
