#pragma once

#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {

// Reads the whole file and returns one row per block, in file order.
// Sets ExpectHeader true before the first block. Throws std::system_error
// when the file cannot be opened.
[[nodiscard]] std::vector<std::string> LoadContents(const std::filesystem::path& path,
                                                    MachineKind machine, TapeLayout layout,
                                                    bool& ExpectHeader);

// The same over a file already open; isTapFile stands for the file's name.
[[nodiscard]] std::vector<std::string> LoadContents(TapeFile& file, MachineKind machine,
                                                    TapeLayout layout, bool isTapFile,
                                                    bool& ExpectHeader);

// IsTapFile for a path of the platform's own character type.
[[nodiscard]] bool IsTapPath(const std::filesystem::path& path);

} // namespace bitreel
