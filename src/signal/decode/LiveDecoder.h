#pragma once

#include "signal/decode/EdgeFinder.h"
#include "signal/decode/TapeDecoder.h"
#include "tape/TapeLayout.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// What a live recording found, as it ended: a block, or a stretch of sound
// not understood.
struct LiveItem {
    std::optional<DecodedBlock> block; // none for a stretch
    std::size_t pulses = 0;            // a stretch's
};

// Reads blocks from sound as it comes, a piece at a time: the edges since
// the last quiet are decoded once the tape has been quiet long enough that
// no block can be running, so that each block is found as it ends, with
// the same bytes and timings as a decode of the whole recording. It holds
// no more than the edges of one block.
class LiveDecoder {
public:
    LiveDecoder(std::uint32_t rate, MachineKind machine);

    void Feed(std::span<const float> samples);
    // The sound has ended: what is held is decoded too, and the last item
    // gets the pause a recording ends with.
    void Flush();

    // The blocks and stretches that ended since the last call, in order.
    [[nodiscard]] std::vector<LiveItem> TakeEnded();
    // The TZX blocks of those items whose pause is known (see TzxBlocks.h;
    // no file header): an item's pause is the silence up to the next one, so
    // each is handed out once the next one is found, or at Flush.
    [[nodiscard]] std::vector<std::uint8_t> TakeTzx();

    // Edges of sound since the last quiet, and the most ever held.
    [[nodiscard]] std::size_t EdgesHeld() const noexcept { return edges_.size(); }
    [[nodiscard]] std::size_t MostEdgesHeld() const noexcept { return mostHeld_; }
    [[nodiscard]] std::uint32_t Rate() const noexcept { return rate_; }

private:
    struct Pending {
        std::vector<std::uint8_t> tzx;
        std::size_t pauseAt = 0;
        std::size_t endEdge = 0; // the edge its pause is measured from
        std::optional<double> endAt;
    };

    void Decode(bool whole);
    void Add(const DecodedTape& tape, std::size_t keepFrom);
    void Release(std::optional<double> nextStart);
    void NoteEndEdge();

    std::uint32_t rate_;
    MachineKind machine_;
    EdgeFinder finder_;
    std::uint64_t fed_ = 0;     // samples so far
    std::vector<double> edges_; // since the last cut
    std::size_t base_ = 0;      // the recording's index of edges_[0]
    std::size_t mostHeld_ = 0;
    std::optional<Pending> pending_;
    std::vector<LiveItem> ended_;
    std::vector<std::uint8_t> tzx_;
    std::optional<std::size_t> announced_; // by the last block let go
};

} // namespace bitreel
