// The Record command: writes the frames the machine sends into a new image.
#include "transfer/Recording.h"

#include "transfer/ProgressText.h"
#include "transfer/RecordTarget.h"
#include "transfer/TransferSteps.h"

#include "tape/ByteCursor.h"

#include <algorithm>
#include <array>

namespace bitreel {

void Recording::Run() {
    const bool jupiterAce = window_.JupiterAceChosen();
    bool resetEnabled = false;
    try {
        window_.StopRequested() = false;
        resetEnabled = window_.IsEnabled(Control::cmdReset);
        Record();
    } catch (const TransferAbandoned&) {
        file_.reset();
        return;
    } catch (const std::exception&) {
        // Every failure ends the run through the finishing steps.
    }
    Finish(resetEnabled, jupiterAce);
}

void Recording::Abandon() noexcept {
    abandoned_ = true;
    file_.reset();
}

void Recording::Record() {
    SetEnabled(window_,
               {Control::optMachine0, Control::optMachine1, Control::lstContents, Control::Drive1,
                Control::File1, Control::Dir1, Control::cmdPlay, Control::cmdReset,
                Control::cmdRecord, Control::cboComPort, Control::cboFormat},
               false);
    window_.SetStatus("Recording...");
    window_.RepaintWindow();

    const bool jupiterAce = window_.JupiterAceChosen();
    const std::string format = window_.FormatText();
    const auto chosen = dialog_.Ask(RecordRequest(jupiterAce, format, firstFolder_));
    if (!chosen) {
        return; // cancelled: straight to the finishing steps
    }

    Target target;
    target.folder = chosen->parent_path();
    window_.ShowFilesOf(target.folder);
    window_.ShowFolder(target.folder);
    const std::filesystem::path output = RecordOutputPath(*chosen);
    target.machine = jupiterAce ? MachineKind::JupiterAce : MachineKind::Spectrum;
    target.isTapFile = IsTapPath(output);
    target.aceTapOutput = jupiterAce && format == "TAP";

    // Whatever arrived before the recording is not part of it.
    (void)port_.ReadAll();

    window_.SetEnabled(Control::cmdStop, true);
    window_.ClearRows();
    window_.RepaintWindow();

    file_.emplace(output);
    received_.clear();
    gathered_ = TapeBlock{};
    expected_ = -1;
    window_.ExpectHeader() = true;

    Receive(target);

    file_->Close();
    file_.reset();
    // Show the new file in the file list.
    window_.ShowFilesOf(target.folder);
}

void Recording::Receive(const Target& target) {
    // Wide enough never to overflow, however long a recording waits.
    std::int64_t emptyPolls = 0;
    for (;;) {
        if (window_.StopRequested()) {
            return;
        }

        // DTR tells the machine that we read; it is raised for the read only.
        port_.SetDtrEnable(true);
        const std::vector<std::uint8_t> bytes = port_.ReadAll();
        received_.insert(received_.end(), bytes.begin(), bytes.end());
        port_.SetDtrEnable(false);

        if (received_.empty()) {
            ++emptyPolls;
            if (!window_.Status2().empty() && emptyPolls == EmptyPollsBeforeClearing) {
                window_.SetStatus2("");
                emptyPolls = 0;
            }
        } else {
            if (gathered_.Bytes.empty()) {
                window_.SetStatus2(UnknownProgressText);
                window_.RepaintStatus2();
            }
            // The length is read only once a third byte shows the frame has a body.
            if (expected_ < 0 && received_.size() >= 3) {
                const std::array<std::uint8_t, 2> field = {received_[0], received_[1]};
                expected_ = *Le16At(field, 0);
            }
            if (expected_ >= 0) {
                const std::size_t total = static_cast<std::size_t>(expected_) + 2;
                const std::size_t take = std::min(received_.size(), total - gathered_.Bytes.size());
                gathered_.Bytes.insert(gathered_.Bytes.end(), received_.begin(),
                                       received_.begin() + static_cast<std::ptrdiff_t>(take));
                received_.erase(received_.begin(),
                                received_.begin() + static_cast<std::ptrdiff_t>(take));

                // The count and total of what the file will hold: one less when
                // the flag is dropped.
                const std::int64_t less = target.aceTapOutput && expected_ > 0 ? 1 : 0;
                window_.SetStatus2(
                    ProgressText(static_cast<std::int64_t>(gathered_.Bytes.size()) - less,
                                 static_cast<std::int64_t>(total) - less));
                window_.RepaintStatus2();

                if (gathered_.Bytes.size() == total) {
                    CompleteBlock(target);
                    emptyPolls = 0;
                }
            }
        }
        YieldToWindow();
    }
}

void Recording::CompleteBlock(const Target& target) {
    gathered_.Length = expected_;
    gathered_.BadChecksum = false;
    // The row is made while the block still has its flag. A block the
    // descriptions give no text for gets the row the contents list would
    // show, so that the list never repeats an earlier row for it.
    const std::string row =
        ContentsRow(gathered_, target.machine, target.isTapFile, window_.ExpectHeader());

    std::vector<std::uint8_t>& bytes = gathered_.Bytes;
    // An empty frame has no flag to drop and is stored as it came.
    if (target.aceTapOutput && expected_ > 0) {
        --expected_;
        bytes.erase(bytes.begin() + 2);
        PutLe16(std::span(bytes).first<2>(), static_cast<std::uint16_t>(expected_));
    }
    file_->Write(bytes);

    window_.SetStatus2(ProgressText(static_cast<std::int64_t>(bytes.size()),
                                    static_cast<std::int64_t>(expected_) + 2));
    window_.RepaintStatus2();
    window_.AddRow(row);

    expected_ = -1;
    gathered_ = TapeBlock{};
}

void Recording::Finish(bool resetEnabled, bool jupiterAce) noexcept {
    file_.reset();
    RunGuarded([&] {
        SetEnabled(window_, {Control::optMachine0, Control::optMachine1, Control::cmdRecord}, true);
        SetEnabled(window_, {Control::cmdStop, Control::cmdPlay}, false);
        window_.SetEnabled(Control::cmdReset, resetEnabled);
        window_.SetEnabled(Control::cboComPort, true);
    });
    RunGuarded([&] { window_.SetStatus(""); });
    RunGuarded([&] { window_.SetStatus2(""); });
    RunGuarded([&] {
        SetEnabled(window_, {Control::File1, Control::Dir1, Control::Drive1, Control::lstContents},
                   true);
        window_.SetEnabled(Control::cboFormat, jupiterAce);
    });
}

void Recording::YieldToWindow() {
    window_.Yield();
    if (abandoned_) {
        throw TransferAbandoned{};
    }
}

} // namespace bitreel
