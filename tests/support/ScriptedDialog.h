#pragma once

#include "transfer/RecordFileDialog.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace bitreel::test {

// A record dialog that answers from a script and keeps what it was asked.
class ScriptedDialog : public RecordFileDialog {
public:
    std::optional<std::filesystem::path> Ask(const RecordDialogRequest& request) override {
        requests.push_back(request);
        return answer;
    }
    std::optional<std::filesystem::path> answer;
    std::vector<RecordDialogRequest> requests;
};

} // namespace bitreel::test
