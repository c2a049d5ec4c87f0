#pragma once

#include "signal/decode/TapeDecoder.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace bitreel {

// A recording read into blocks: the edges of the channel chosen, and what
// the decoder made of them.
struct DecodedRecording {
    std::uint32_t rate = 0;
    unsigned channels = 0;
    unsigned channel = 0; // the one whose blocks are kept
    std::vector<double> edges;
    DecodedTape tape;
};

// Reads WAV or FLAC (libsndfile: any sample format, mono or stereo, 8 kHz
// up) or CSW v1/v2 and decodes it by the machine's ROM encoding. Of two
// channels the one with more good blocks is kept. Throws std::runtime_error
// naming the file when it is no sound file this can read.
[[nodiscard]] DecodedRecording DecodeRecordingFile(const std::filesystem::path& path,
                                                   MachineKind machine);

// The same from a file's bytes in memory: CSW when csw, else any sound
// file libsndfile reads.
[[nodiscard]] DecodedRecording DecodeRecordingBytes(std::span<const std::uint8_t> bytes, bool csw,
                                                    MachineKind machine);

// The same from samples in memory (interleaved when stereo).
[[nodiscard]] DecodedRecording DecodeSamples(std::span<const float> samples, unsigned channels,
                                             std::uint32_t rate, MachineKind machine);

// More pulses than two hours of tape have: a file of more is no recording
// of a tape, and its edges would take gigabytes.
inline constexpr std::size_t MostCswPulses = 32'000'000;

// CSW v1 or v2 bytes as edges, as far as its pulses read. Throws
// std::length_error past MostCswPulses, std::runtime_error when the bytes are
// no CSW file.
[[nodiscard]] std::vector<double> CswEdges(std::span<const std::uint8_t> bytes, std::uint32_t& rate,
                                           std::size_t mostPulses = MostCswPulses);

// The ROM encoding a machine's tapes are read by.
[[nodiscard]] const RomEncoding& RomFor(MachineKind machine) noexcept;

// The lowest rate read: below it a 0 bit's pulse is under two samples.
inline constexpr std::uint32_t MinRecordingRate = 8000;

} // namespace bitreel
