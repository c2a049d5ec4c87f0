#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace bitreel {

// What the record dialog shows: its title, one filter ("Spectrum Files" and
// the pattern "*.TAP"), the folder it opens in, and the extension a name
// typed without one gets ("TAP"), so that the recording shows in the file
// list.
struct RecordDialogRequest {
    std::string title;
    std::string filterName;
    std::string pattern;
    std::filesystem::path initialFolder;
    std::string defaultExtension;
};

// Asks for the file to record into. New names are accepted; a file that
// would be replaced is chosen only when the user agrees to replace it; the
// file recorded into last time is offered again, in its folder. No value
// when the user cancels.
class RecordFileDialog {
public:
    virtual ~RecordFileDialog() = default;
    [[nodiscard]] virtual std::optional<std::filesystem::path>
    Ask(const RecordDialogRequest& request) = 0;
};

} // namespace bitreel
