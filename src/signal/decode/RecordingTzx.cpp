// A decoded recording as a whole TZX file, its blocks and stretches in the
// recording's order.
#include "signal/decode/RecordingTzx.h"

#include "tape/formats/RecordingHook.h"

namespace bitreel {

std::uint32_t SilenceMs(const DecodedRecording& r, std::size_t endEdge, std::size_t nextEdge) {
    if (nextEdge >= r.edges.size() || endEdge >= r.edges.size()) {
        return LastItemPauseMs;
    }
    return TzxPauseMs(r.edges[endEdge], r.edges[nextEdge], r.rate);
}

std::vector<std::uint8_t> BlocksTzx(std::span<const PausedBlock> blocks, MachineKind machine) {
    std::vector<std::uint8_t> out = TzxFileHeader(machine);
    for (const PausedBlock& item : blocks) {
        if (item.block) {
            AppendTzxBlock(out, *item.block, item.pauseMs);
        } else {
            AppendTzxStretch(out, item.stretch, item.rate, item.pauseMs);
        }
    }
    return out;
}

std::vector<std::uint8_t> RecordingTzx(const DecodedRecording& recording, MachineKind machine) {
    std::vector<std::uint8_t> out = TzxFileHeader(machine);
    const auto& blocks = recording.tape.blocks;
    const auto& stretches = recording.tape.stretches;
    std::size_t b = 0;
    std::size_t s = 0;
    while (b < blocks.size() || s < stretches.size()) {
        const bool block = s == stretches.size() ||
                           (b < blocks.size() && blocks[b].firstEdge < stretches[s].firstEdge);
        const std::size_t end = block ? blocks[b].endEdge : stretches[s].SilenceEdge();
        const std::size_t nextBlock =
            b + (block ? 1 : 0) < blocks.size() ? blocks[b + (block ? 1 : 0)].firstEdge : SIZE_MAX;
        const std::size_t nextStretch = s + (block ? 0 : 1) < stretches.size()
                                            ? stretches[s + (block ? 0 : 1)].firstEdge
                                            : SIZE_MAX;
        const std::uint32_t pause = SilenceMs(recording, end, std::min(nextBlock, nextStretch));
        if (block) {
            AppendTzxBlock(out, blocks[b++], pause);
        } else {
            const Stretch& stretch = stretches[s++];
            AppendTzxStretch(out,
                             std::span(recording.edges)
                                 .subspan(stretch.firstEdge, stretch.endEdge - stretch.firstEdge),
                             recording.rate, pause);
        }
    }
    if (blocks.empty() && stretches.empty()) {
        AppendTzxText(out, "no blocks found");
    }
    return out;
}

void InstallRecordingFiles() {
    InstallRecordingReader([](const std::filesystem::path& path, MachineKind machine) {
        return RecordingTzx(DecodeRecordingFile(path, machine), machine);
    });
}

} // namespace bitreel
