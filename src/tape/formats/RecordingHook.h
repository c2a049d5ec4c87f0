#pragma once

#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

namespace bitreel {

// A recording of a tape (a sound file) is a tape image too: its blocks,
// read, become a TZX image. Reading sound needs libraries the tape library
// does not link, so the program installs the reader; the tape library
// still decides which files are recordings and how their rows are read.
using RecordingReader =
    std::function<std::vector<std::uint8_t>(const std::filesystem::path&, MachineKind)>;

void InstallRecordingReader(RecordingReader reader);

// Why a file named as a recording cannot be read, as a std::system_error's
// code, which every front end already tells.
enum class RecordingError {
    NotSound = 1,  // no sound file that can be read
    RateTooLow,    // below 8000 Hz a 0 bit's pulse is under two samples
    Channels,      // more than two channels
    NotCsw,        // named .csw but no CSW v1 or v2 file
    TooManyPulses, // a CSW file of more pulses than a tape holds
};
[[nodiscard]] std::error_code MakeError(RecordingError error) noexcept;

// ".WAV", ".FLAC" or ".CSW", any case.
[[nodiscard]] bool IsRecordingPath(const std::filesystem::path& path);

// The recording as TZX bytes. Throws std::system_error (ENOTSUP) when no
// reader is installed, and whatever the reader throws.
[[nodiscard]] std::vector<std::uint8_t> ReadRecording(const std::filesystem::path& path,
                                                      MachineKind machine);

} // namespace bitreel
