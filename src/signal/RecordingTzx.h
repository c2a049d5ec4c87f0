#pragma once

#include "signal/RecordingReader.h"
#include "signal/TzxBlocks.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {

// A decoded recording as a TZX image, in the recording's order:
// - a block at the ROM's timings (within RomTolerance) as a standard speed
//   block (0x10), any other as a turbo block (0x11) with its measured
//   timings; the bytes are the bytes read, checksum and all;
// - a damaged block after a text (0x30) naming its least certain bits and
//   any repair that makes its checksum right, marked "repaired";
// - a stretch not understood as CSW (0x18), so that nothing is lost.
[[nodiscard]] std::vector<std::uint8_t> RecordingTzx(const DecodedRecording& recording,
                                                     MachineKind machine);

// Installs the reader that turns a recording into the TZX image above, for
// TapeImage to open .wav, .flac and .csw files.
void InstallRecordingFiles();

} // namespace bitreel
