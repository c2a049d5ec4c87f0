// The Play command: sends the blocks of a tape image out of the serial port.
#include "transfer/Playback.h"

#include "transfer/ProgressText.h"
#include "transfer/TransferSteps.h"

#include <stdexcept>

namespace bitreel {
namespace {

constexpr std::string_view PlayingText = "Playing...";
constexpr std::string_view WaitingText = "Waiting...";

} // namespace

void Playback::Run() {
    if (window_.FileName().empty()) {
        return;
    }
    try {
        SetEnabled(window_,
                   {Control::optMachine0, Control::optMachine1, Control::cmdPlay, Control::cmdReset,
                    Control::cmdRecord, Control::cboComPort, Control::File1, Control::Dir1,
                    Control::Drive1, Control::lstContents, Control::cboFormat},
                   false);
        window_.SetEnabled(Control::cmdStop, true);

        bool& stop = window_.StopRequested();
        bool& expectHeader = window_.ExpectHeader();
        stop = false;
        port_.DiscardOutput();
        window_.SetStatus(PlayingText);
        window_.RepaintWindow();
        expectHeader = true;

        const auto machine =
            window_.JupiterAceChosen() ? MachineKind::JupiterAce : MachineKind::Spectrum;
        layout_ = LayoutInForce(machine, window_.FormatText());
        file_.emplace(window_.FileFolder() / window_.FileName());

        const int startRow = std::max(window_.SelectedRow(), 0);
        TapeBlock passed;
        for (int i = 0; i < startRow; ++i) {
            (void)ReadBlock(*file_, passed, layout_, expectHeader);
            expectHeader = !expectHeader;
        }

        if (PlayBlocks(startRow)) {
            WaitUntilSent();
        }
    } catch (const TransferAbandoned&) {
        file_.reset();
        return;
    } catch (const std::exception&) {
        // Every failure ends the run through the finishing steps.
    }
    Finish();
}

void Playback::Abandon() noexcept {
    abandoned_ = true;
    file_.reset();
}

bool Playback::PlayBlocks(int startRow) {
    bool& stop = window_.StopRequested();
    bool& expectHeader = window_.ExpectHeader();
    bool ranOut = false;
    TapeBlock block;
    std::int32_t length = 0;
    for (int row = startRow;; ++row) {
        std::int32_t sent = 0;
        if (stop || length < 0) {
            return ranOut;
        }
        if (file_->AtEnd()) {
            return true;
        }
        const bool ok = ReadBlock(*file_, block, layout_, expectHeader);
        length = block.Length;
        if (!ok || length < 0) {
            stop = true;
            ranOut = true;
        } else {
            if (row >= window_.RowCount()) {
                throw std::out_of_range("no contents row for block " + std::to_string(row));
            }
            window_.SelectRow(row);
            window_.RepaintContents();
            SendFrame(block, sent);
            expectHeader = !expectHeader;
        }
        if (sent > 0) {
            window_.SetStatus2(ProgressText(sent, static_cast<std::int64_t>(length) + 2));
            window_.RepaintStatus2();
        }
    }
}

void Playback::SendFrame(const TapeBlock& block, std::int32_t& sent) {
    const bool& stop = window_.StopRequested();
    const std::int64_t total = static_cast<std::int64_t>(block.Length) + 2;
    while (static_cast<std::size_t>(sent) < block.Bytes.size() && block.Length >= 1 && !stop) {
        WaitForCts();
        if (stop) {
            break;
        }
        ShowStatus(window_, PlayingText);
        const std::uint8_t byte = block.Bytes[static_cast<std::size_t>(sent)];
        ++sent;
        port_.Write(std::span(&byte, 1));
        if (sent % 25 == 0) {
            window_.SetStatus2(ProgressText(sent, total));
        }
        YieldToWindow();
    }
}

void Playback::WaitForCts() {
    const bool& stop = window_.StopRequested();
    while (!port_.CtsHolding() && !stop) {
        ShowStatus(window_, WaitingText);
        YieldToWindow();
    }
}

// The byte loop writes far faster than the line carries bytes, so most of
// the last block is still queued when it ends; discarding output now would
// cut it off. Wait, as the CTS wait does, until every byte has left.
void Playback::WaitUntilSent() {
    bool& stop = window_.StopRequested();
    const bool stoppedBefore = stop;
    stop = false;
    while (port_.PendingOutput() > 0 && !stop) {
        ShowStatus(window_, port_.CtsHolding() ? PlayingText : WaitingText);
        YieldToWindow();
    }
    stop = stop || stoppedBefore;
}

void Playback::Finish() noexcept {
    file_.reset();
    // Only bytes still waiting are thrown away. A pseudo-terminal reports
    // its last bytes as sent while they are still crossing to the other
    // side, and discarding then would cut off the end of a whole playback.
    RunGuarded([&] {
        if (port_.PendingOutput() > 0) {
            port_.DiscardOutput();
        }
    });
    RunGuarded([&] { window_.SetStatus(""); });
    RunGuarded([&] { window_.SetStatus2(""); });
    RunGuarded([&] {
        if (window_.RowCount() > 0) {
            window_.SelectRow(0);
        }
    });
    RunGuarded([&] {
        SetEnabled(window_,
                   {Control::optMachine0, Control::optMachine1, Control::cmdPlay, Control::cmdReset,
                    Control::cmdRecord, Control::cboComPort, Control::File1, Control::Dir1,
                    Control::Drive1, Control::lstContents},
                   true);
        window_.SetEnabled(Control::cmdStop, false);
        window_.SetEnabled(Control::cboFormat, window_.JupiterAceChosen());
    });
}

void Playback::YieldToWindow() {
    window_.Yield();
    if (abandoned_) {
        throw TransferAbandoned{};
    }
}

} // namespace bitreel
