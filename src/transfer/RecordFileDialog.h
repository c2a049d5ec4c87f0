#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace bitreel {

// What the record dialog shows: its title, one filter ("Spectrum Files" and
// the pattern "*.TAP") and the folder it opens in.
struct RecordDialogRequest {
    std::string title;
    std::string filterName;
    std::string pattern;
    std::filesystem::path initialFolder;
};

// Asks for the file to record into. New names are accepted, an existing file
// is chosen without a question, and the name chosen last time is offered
// again. No value when the user cancels.
class RecordFileDialog {
public:
    virtual ~RecordFileDialog() = default;
    [[nodiscard]] virtual std::optional<std::filesystem::path>
    Ask(const RecordDialogRequest& request) = 0;
};

} // namespace bitreel
