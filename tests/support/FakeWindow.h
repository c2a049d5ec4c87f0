#pragma once

// A main window made of plain values, for driving the transfer engines
// without widgets. It records what a user would have seen.

#include "support/ScriptedDialog.h"
#include "transfer/TransferWindow.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel::test {

class FakeWindow : public TransferWindow {
public:
    FakeWindow() {
        for (int c = 0; c <= static_cast<int>(Control::cboFormat); ++c) {
            enabled[static_cast<Control>(c)] = true;
        }
        enabled[Control::cmdStop] = false;
    }

    bool& StopRequested() override { return stopRequested; }
    bool& ExpectHeader() override { return expectHeader; }
    bool JupiterAceChosen() const override { return jupiterAce; }
    std::string FormatText() const override { return format; }

    bool StatusReads(std::string_view text) const override { return status == text; }
    void SetStatus(std::string_view text) override {
        status = text;
        statusHistory.emplace_back(text);
    }
    std::string Status2() const override { return status2; }
    void SetStatus2(std::string_view text) override {
        status2 = text;
        status2History.emplace_back(text);
    }

    int RowCount() const override { return static_cast<int>(rows.size()); }
    int SelectedRow() const override { return selected; }
    void SelectRow(int row) override {
        selected = row;
        selections.push_back(row);
    }
    void ClearRows() override {
        rows.clear();
        selected = -1;
    }
    void AddRow(std::string_view text) override { rows.emplace_back(text); }

    bool IsEnabled(Control control) const override { return enabled.at(control); }
    void SetEnabled(Control control, bool on) override {
        enabled[control] = on;
        enableLog.emplace_back(control, on);
    }

    std::filesystem::path FileFolder() const override { return fileFolder; }
    std::filesystem::path FileName() const override { return fileName; }
    void ShowFilesOf(const std::filesystem::path& folder) override {
        fileFolder = folder;
        fileListings.push_back(folder);
    }
    // Like the directory list, it cannot open what is no folder.
    void ShowFolder(const std::filesystem::path& folder) override {
        if (!std::filesystem::is_directory(folder)) {
            throw std::runtime_error("no folder " + folder.string());
        }
        if (folder != dirFolder) {
            dirFolder = folder;
            rows.clear();
            selected = -1;
            enabled[Control::cmdPlay] = false;
            enabled[Control::cmdReset] = false;
        }
    }

    void RepaintWindow() override { ++windowRepaints; }
    void RepaintStatus2() override { ++status2Repaints; }
    void RepaintContents() override { ++contentsRepaints; }

    void Yield() override {
        ++yields;
        if (onYield) {
            onYield();
        }
    }

    // The Stop command as the window runs it.
    void Stop() {
        SetStatus("Stopping...");
        stopRequested = true;
    }

    bool stopRequested = false;
    bool expectHeader = false;
    bool jupiterAce = false;
    std::string format = "JUP";
    std::string status;
    std::string status2;
    std::vector<std::string> statusHistory;
    std::vector<std::string> status2History;
    std::vector<std::string> rows;
    int selected = -1;
    std::vector<int> selections;
    std::map<Control, bool> enabled;
    std::vector<std::pair<Control, bool>> enableLog; // every change, in order
    std::filesystem::path fileFolder;
    std::filesystem::path dirFolder;
    std::vector<std::filesystem::path> fileListings;
    std::filesystem::path fileName;
    int windowRepaints = 0;
    int status2Repaints = 0;
    int contentsRepaints = 0;
    long long yields = 0;
    std::function<void()> onYield;
};

} // namespace bitreel::test
