#pragma once

// What a block read from a recording looked like, for a person who wants
// to see why it is damaged: the sound it was read from, its edges, and how
// each bit was read.

#include "signal/decode/RecordingReader.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// One bit, in samples from BlockSignal::firstSample.
struct SignalBit {
    double start = 0;
    double end = 0;
    bool one = false;
    float certainty = 1; // as the decoder rated it: 0 a guess, 1 clean
    // Among the least certain bits a damaged block lists: where to look
    // first, however clean the bit seemed.
    bool suspect = false;
};

struct BlockSignal {
    std::uint32_t rate = 0;
    std::uint64_t firstSample = 0; // where the block's pilot starts in the recording
    double length = 0;             // samples from there to the block's last edge
    // The channel read, from firstSample on; none for a CSW file, which
    // holds pulses only.
    std::vector<float> samples;
    std::vector<double> edges; // the block's own, from firstSample
    std::vector<SignalBit> bits;
};

// The signal of decoded block `index` of a recording; samples is the channel
// read, whole (empty for a CSW recording).
[[nodiscard]] BlockSignal SignalOfBlock(const DecodedRecording& recording, std::size_t index,
                                        std::span<const float> samples);

// The block of a recording file whose bytes (flag, payload, checksum) are
// these, the occurrence'th such block counted from 0: the file decoded again
// as a row of it was. None when the recording holds no such block.
[[nodiscard]] std::optional<BlockSignal> SignalOfRecordedBlock(const std::filesystem::path& path,
                                                               MachineKind machine,
                                                               std::span<const std::uint8_t> bytes,
                                                               std::size_t occurrence);

} // namespace bitreel
