#pragma once

#include "transfer/RecordFileDialog.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace bitreel::test {

// A record dialog that answers from a script and keeps what it was asked.
class ScriptedDialog : public RecordFileDialog {
public:
    std::optional<std::filesystem::path> Ask(const RecordDialogRequest& request) override {
        requests.push_back(request);
        if (onAsk) {
            onAsk();
        }
        return answer;
    }
    std::optional<std::filesystem::path> answer;
    std::function<void()> onAsk; // runs while the dialog is open
    std::vector<RecordDialogRequest> requests;
};

} // namespace bitreel::test
