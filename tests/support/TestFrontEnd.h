#pragma once

// A front end with no window, for driving the transfer engines: it keeps
// what a user would have been told, and stops when the test says so.

#include "transfer/RecordingFrontEnd.h"
#include "transfer/TapeStopFrontEnd.h"
#include "transfer/TransferFrontEnd.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bitreel::test {

class TestFrontEnd : public TransferFrontEnd, public RecordingFrontEnd, public TapeStopFrontEnd {
public:
    void RunStarts(Transfer transfer) override {
        stopRequested = false;
        running = true;
        starts.push_back(transfer);
        Show(transfer == Transfer::Play ? "Playing..." : "Recording...");
    }
    void RunEnds(Transfer transfer, const TransferResult& ended) override {
        running = false;
        ends.push_back(transfer);
        result = ended;
        Show("");
        status2.clear();
        status2History.emplace_back();
    }
    void Status(Activity activity) override {
        Show(activity == Activity::Playing   ? "Playing..."
             : activity == Activity::Waiting ? "Waiting..."
                                             : "Recording...");
    }
    // Kept as text in the window's words, "25 of 50" and "1 of ?" (" ms" after
    // a time played).
    void Progress(const BlockProgress& progress, ProgressShown shown) override {
        ShowProgress(std::to_string(progress.count) + " of " +
                     (progress.total ? std::to_string(*progress.total) : "?") +
                     (progress.unit == ProgressUnit::Milliseconds ? " ms" : ""));
        status2AtOnce += shown == ProgressShown::AtOnce ? 1 : 0;
        progressHistory.push_back(progress);
    }
    void ClearProgress() override { ShowProgress(""); }
    void BlockGoingOut(int row) override {
        blocksOut.push_back(row);
        if (onBlockOut) {
            onBlockOut(row);
        }
    }
    void TapeStopped(int row) override {
        tapeStops.push_back(row);
        Show("Tape stopped");
    }
    TapeRestart RestartAsked() override {
        ++restartAsks;
        return restart ? restart() : TapeRestart::GoOn;
    }
    void ChoiceTaken(int row) override { choices.push_back(row); }
    void Idle(std::chrono::milliseconds most) override {
        ++yields;
        if (onIdle) {
            onIdle(most);
        }
    }
    bool RecordingFolder(const std::filesystem::path& folder) override {
        folders.push_back(folder);
        return std::filesystem::is_directory(folder);
    }
    void ReceivingStarts() override {
        receiving = true;
        rows.clear();
    }
    void BlockRecorded(std::string_view row) override { rows.emplace_back(row); }
    void Yield() override {
        ++yields;
        if (onYield) {
            onYield();
        }
    }
    bool StopRequested() const override { return stopRequested; }

    // The Stop command as a window runs it.
    void Stop() {
        Show("Stopping...");
        stopRequested = true;
    }

    // Like a window's label, only a change of text counts.
    void Show(std::string_view text) {
        if (status != text || statusHistory.empty()) {
            status = text;
            statusHistory.emplace_back(text);
        }
    }
    void ShowProgress(const std::string& text) {
        status2 = text;
        status2History.push_back(text);
    }

    bool stopRequested = false;
    bool running = false;
    bool receiving = false;
    std::vector<Transfer> starts;
    std::vector<Transfer> ends;
    std::optional<TransferResult> result; // as RunEnds gave it
    std::string status;
    std::string status2;
    std::vector<std::string> statusHistory;  // every change
    std::vector<std::string> status2History; // every write
    int status2AtOnce = 0;
    std::vector<int> blocksOut;
    std::vector<BlockProgress> progressHistory;
    std::vector<int> tapeStops; // rows the tape stopped at
    std::vector<int> choices;   // select blocks whose first choice was taken
    int restartAsks = 0;
    std::function<TapeRestart()> restart; // none: go on at once
    std::function<void(std::chrono::milliseconds most)> onIdle;
    std::function<void(int row)> onBlockOut;
    std::vector<std::filesystem::path> folders;
    std::vector<std::string> rows; // recorded
    long long yields = 0;
    std::function<void()> onYield;
};

} // namespace bitreel::test
