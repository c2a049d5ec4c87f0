#pragma once

// A front end with no window, for driving the transfer engines: it keeps
// what a user would have been told, and stops when the test says so.

#include "transfer/TransferFrontEnd.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bitreel::test {

class TestFrontEnd : public TransferFrontEnd {
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
    // Kept as text in the window's words, "25 of 50" and "1 of ?".
    void Progress(const BlockProgress& progress, ProgressShown shown) override {
        ShowProgress(std::to_string(progress.count) + " of " +
                     (progress.total ? std::to_string(*progress.total) : "?"));
        status2AtOnce += shown == ProgressShown::AtOnce ? 1 : 0;
    }
    void ClearProgress() override { ShowProgress(""); }
    void BlockGoingOut(int row) override { blocksOut.push_back(row); }
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
    std::vector<std::filesystem::path> folders;
    std::vector<std::string> rows; // recorded
    long long yields = 0;
    std::function<void()> onYield;
};

} // namespace bitreel::test
