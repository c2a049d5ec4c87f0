#pragma once

#include "tape/TapeLayout.h"
#include "transfer/RecordFileDialog.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace bitreel {

// The record dialog's title, filter and default extension for the layout to
// be recorded.
[[nodiscard]] RecordDialogRequest RecordRequest(TapeLayout layout,
                                                const std::filesystem::path& initialFolder);

// The path a recording is written to: the chosen folder as it stands, and
// the file's own name in capitals unless the chosen file exists already.
[[nodiscard]] std::filesystem::path RecordOutputPath(const std::filesystem::path& chosen);

} // namespace bitreel
