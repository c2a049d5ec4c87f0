#pragma once

#include "signal/decode/RecordingReader.h"
#include "signal/decode/TzxBlocks.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace bitreel {

// A decoded recording as a TZX image, in the recording's order:
// - for a Jupiter Ace tape first a hardware block (0x33) naming the Ace;
// - a block at the ROM's timings (within RomTolerance) as a standard speed
//   block (0x10), any other as a turbo block (0x11) with its measured
//   timings and the bits used of its last byte; the bytes are the bytes
//   read, checksum and all;
// - a damaged block after a text (0x30) naming its least certain bits and
//   any repair that makes its checksum right, marked "repaired";
// - a stretch not understood as a direct recording (0x15), so that nothing
//   a loader could read is lost.
[[nodiscard]] std::vector<std::uint8_t> RecordingTzx(const DecodedRecording& recording,
                                                     MachineKind machine);

// A block to write and the silence after it; where block is null, a
// stretch: its edges in samples at the rate.
struct PausedBlock {
    const DecodedBlock* block = nullptr;
    std::uint32_t pauseMs = 1000;
    std::span<const double> stretch;
    std::uint32_t rate = 0;
};

// Blocks and stretches alone as a TZX image, each written as RecordingTzx
// writes it.
[[nodiscard]] std::vector<std::uint8_t> BlocksTzx(std::span<const PausedBlock> blocks,
                                                  MachineKind machine);

// The silence from edge endEdge of a recording to edge nextEdge, in
// milliseconds; a second past the last edge.
[[nodiscard]] std::uint32_t SilenceMs(const DecodedRecording& recording, std::size_t endEdge,
                                      std::size_t nextEdge);

// Installs the reader that turns a recording into the TZX image above, for
// TapeImage to open .wav, .flac and .csw files.
void InstallRecordingFiles();

} // namespace bitreel
