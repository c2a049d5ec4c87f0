#pragma once

#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace bitreel {

// A recording of a tape (a sound file) is a tape image too: its blocks,
// read, become a TZX image. Reading sound needs libraries the tape library
// does not link, so the program installs the reader; the tape library
// still decides which files are recordings and how their rows are read.
using RecordingReader =
    std::function<std::vector<std::uint8_t>(const std::filesystem::path&, MachineKind)>;

void InstallRecordingReader(RecordingReader reader);

// ".WAV", ".FLAC" or ".CSW", any case.
[[nodiscard]] bool IsRecordingPath(const std::filesystem::path& path);

// The recording as TZX bytes. Throws std::system_error (ENOTSUP) when no
// reader is installed, and whatever the reader throws.
[[nodiscard]] std::vector<std::uint8_t> ReadRecording(const std::filesystem::path& path,
                                                      MachineKind machine);

} // namespace bitreel
