#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace bitreel {

// What a save dialog shows: its title, one filter ("PNG Images" and the
// pattern "*.png") and the file it offers.
struct SaveDialogRequest {
    std::string title;
    std::string filterName;
    std::string pattern;
    std::filesystem::path suggested;
};

// Asks where to save a file; an existing file is replaced only once the
// user has agreed. No value when the user cancels. Tests answer it from a
// script.
class SaveFileDialog {
public:
    virtual ~SaveFileDialog() = default;
    [[nodiscard]] virtual std::optional<std::filesystem::path>
    Ask(const SaveDialogRequest& request) = 0;
};

} // namespace bitreel
