#include "signal/decode/BlockSignal.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace bitreel {
namespace {

// Some sound before the pilot and after the last edge, so the block's start
// and end are seen against what surrounds them.
constexpr double MarginSeconds = 0.01;

// The samples of one channel from first on, count of them at most, from a
// sound file libsndfile reads; none when it cannot (a CSW file).
std::vector<float> ChannelSamples(const std::filesystem::path& path, unsigned channel,
                                  std::uint64_t first, std::uint64_t count) {
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> sound(sf_open(path.c_str(), SFM_READ, &info),
                                                            sf_close);
    if (!sound || info.channels < 1 || channel >= unsigned(info.channels) ||
        sf_seek(sound.get(), sf_count_t(first), SEEK_SET) < 0) {
        return {};
    }
    const auto channels = std::size_t(info.channels);
    std::vector<float> frames(count * channels);
    const sf_count_t got = sf_readf_float(sound.get(), frames.data(), sf_count_t(count));
    std::vector<float> samples(std::size_t(std::max<sf_count_t>(got, 0)));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = frames[i * channels + channel];
    }
    return samples;
}

} // namespace

BlockSignal SignalOfBlock(const DecodedRecording& recording, std::size_t index,
                          std::span<const float> samples) {
    const DecodedBlock& block = recording.tape.blocks.at(index);
    const auto& edges = recording.edges;
    const double margin = MarginSeconds * recording.rate;
    const double start = std::max(0.0, std::floor(edges[block.firstEdge] - margin));
    const double last = edges[std::min(block.endEdge, edges.size()) - 1];

    BlockSignal signal;
    signal.rate = recording.rate;
    signal.firstSample = std::uint64_t(start);
    signal.length = last + margin - start;
    for (std::size_t e = block.firstEdge; e < std::min(block.endEdge, edges.size()); ++e) {
        signal.edges.push_back(edges[e] - start);
    }
    for (std::size_t k = 0; k < block.bitCertainty.size(); ++k) {
        const std::size_t from = block.dataEdge + 2 * k;
        if (from + 2 >= edges.size()) {
            break;
        }
        const bool one = (block.bytes[k / 8] >> (7 - k % 8)) & 1;
        signal.bits.push_back(
            {edges[from] - start, edges[from + 2] - start, one, block.bitCertainty[k], false});
    }
    for (const BitPosition& weak : block.weakest) {
        if (const std::size_t k = weak.byte * 8 + weak.bit; k < signal.bits.size()) {
            signal.bits[k].suspect = true;
        }
    }
    if (!samples.empty()) {
        const auto from = std::min(std::size_t(start), samples.size());
        const auto to = std::min(std::size_t(std::ceil(start + signal.length)), samples.size());
        signal.samples.assign(samples.begin() + std::ptrdiff_t(from),
                              samples.begin() + std::ptrdiff_t(to));
    }
    return signal;
}

std::optional<BlockSignal> SignalOfRecordedBlock(const std::filesystem::path& path,
                                                 MachineKind machine,
                                                 std::span<const std::uint8_t> bytes,
                                                 std::size_t occurrence) {
    const DecodedRecording recording = DecodeRecordingFile(path, machine);
    const auto& blocks = recording.tape.blocks;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!std::ranges::equal(blocks[i].bytes, bytes) || occurrence-- > 0) {
            continue;
        }
        BlockSignal signal = SignalOfBlock(recording, i, {});
        signal.samples = ChannelSamples(path, recording.channel, signal.firstSample,
                                        std::uint64_t(std::ceil(signal.length)));
        return signal;
    }
    return std::nullopt;
}

} // namespace bitreel
