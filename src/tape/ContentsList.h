#pragma once

#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {

// Reads the whole file and returns one row per block, in file order (a TZX
// or PZX image by its name, as TapeImage reads it). Sets ExpectHeader as the
// last block left it, true before the first. Throws std::system_error when
// the file cannot be opened or read.
[[nodiscard]] std::vector<std::string> LoadContents(const std::filesystem::path& path,
                                                    MachineKind machine, TapeLayout layout,
                                                    bool& ExpectHeader);

// The same over a file of blocks already open; isTapFile stands for the
// file's name.
[[nodiscard]] std::vector<std::string> LoadContents(TapeFile& file, MachineKind machine,
                                                    TapeLayout layout, bool isTapFile,
                                                    bool& ExpectHeader);

} // namespace bitreel
