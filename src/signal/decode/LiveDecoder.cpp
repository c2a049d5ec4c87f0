// Blocks from sound as it comes: decoded at each quiet, handed out as they end.
#include "signal/decode/LiveDecoder.h"

#include "signal/decode/TzxBlocks.h"

#include <algorithm>
#include <utility>

namespace bitreel {
namespace {

// The edges are decoded after this much sound without one. The longest
// pulse a block holds is its pilot's: 2168 T-states of the Spectrum's
// 3.5 MHz, 2011 of the Jupiter Ace's 3.25 MHz, about 0.62 ms, 0.72 ms on a
// tape 15% slow; so after 250 ms without an edge no block is running. It is
// well above the longest pulse a stretch of DecodeEdges holds, so that a
// cut splits nothing a decode of the whole recording would keep whole, and
// well under the second the ROMs' SAVE leaves between a header and its data,
// so that a header is listed before its data begins.
constexpr double QuietSeconds = 0.25;
// Quiet is looked for this often within it: a gap of a little more than it
// is always seen.
constexpr int QuietChecks = 4;

// The edges of the longest block a cut may have to hold: the longer header
// pilot, two syncs, then 65535 bytes of body and the length field's worth
// more, two edges a bit, and the Ace's end mark. Sound that runs longer
// without a quiet (noise, music) is decoded all the same.
constexpr std::size_t MostBlockEdges =
    std::max(SpectrumRom.headerPilotPulses, AceRom.headerPilotPulses) + 2 +
    (std::size_t{0xFFFF} + 2) * 8 * 2 + 2;

const RomEncoding& RomFor(MachineKind machine) {
    return machine == MachineKind::JupiterAce ? AceRom : SpectrumRom;
}

} // namespace

LiveDecoder::LiveDecoder(std::uint32_t rate, MachineKind machine)
    : rate_(rate), machine_(machine), finder_(rate) {}

void LiveDecoder::Feed(std::span<const float> samples) {
    const auto quiet = std::uint64_t(QuietSeconds * rate_);
    const std::size_t slice = std::max<std::size_t>(1, quiet / QuietChecks);
    while (!samples.empty()) {
        const auto piece = samples.first(std::min(slice, samples.size()));
        samples = samples.subspan(piece.size());
        finder_.Feed(piece);
        fed_ += piece.size();
        const std::vector<double> found = finder_.TakeEdges();
        edges_.insert(edges_.end(), found.begin(), found.end());
        mostHeld_ = std::max(mostHeld_, edges_.size());
        if (!edges_.empty() && double(fed_) - edges_.back() > double(quiet)) {
            Decode(true);
        } else if (edges_.size() >= MostBlockEdges) {
            Decode(false);
        }
    }
}

void LiveDecoder::Flush() {
    if (!edges_.empty()) {
        Decode(true);
    }
    Release(std::nullopt);
}

std::vector<LiveItem> LiveDecoder::TakeEnded() {
    return std::exchange(ended_, {});
}

std::vector<std::uint8_t> LiveDecoder::TakeTzx() {
    return std::exchange(tzx_, {});
}

// Decodes the edges held. After a quiet they are all let go; when sound ran
// on too long without one, a block that runs to the end of them is kept, to
// be decoded again whole with the edges that follow.
void LiveDecoder::Decode(bool whole) {
    NoteEndEdge();
    const DecodedTape tape = DecodeEdges(edges_, rate_, RomFor(machine_));
    std::size_t keepFrom = edges_.size();
    if (!whole && !tape.blocks.empty()) {
        const DecodedBlock& last = tape.blocks.back();
        if (last.endEdge + 1 >= edges_.size() && last.firstEdge > 0) {
            keepFrom = last.firstEdge;
        }
    }
    Add(tape, keepFrom);
    edges_.erase(edges_.begin(), edges_.begin() + std::ptrdiff_t(keepFrom));
    base_ += keepFrom;
}

// The blocks and stretches before keepFrom, in the order they were heard.
void LiveDecoder::Add(const DecodedTape& tape, std::size_t keepFrom) {
    std::size_t b = 0;
    std::size_t s = 0;
    for (;;) {
        const bool block =
            b < tape.blocks.size() &&
            (s == tape.stretches.size() || tape.blocks[b].firstEdge < tape.stretches[s].firstEdge);
        if (!block && s == tape.stretches.size()) {
            return;
        }
        const std::size_t first = block ? tape.blocks[b].firstEdge : tape.stretches[s].firstEdge;
        const std::size_t end = block ? tape.blocks[b].endEdge : tape.stretches[s].endEdge;
        if (first >= keepFrom) {
            return;
        }
        Release(edges_[first]);
        Pending next;
        LiveItem item;
        if (block) {
            item.block = tape.blocks[b++];
            // Its header may have ended in an earlier cut.
            HoldToHeader(*item.block, announced_);
            announced_ = AnnouncedLength(item.block->bytes);
            item.block->firstEdge += base_;
            item.block->endEdge += base_;
            next.pauseAt = AppendTzxBlock(next.tzx, *item.block, LastItemPauseMs);
        } else {
            const auto stretch = std::span(edges_).subspan(first, end - first);
            item.pulses = stretch.size() - 1;
            next.pauseAt = AppendTzxStretch(next.tzx, stretch, rate_, LastItemPauseMs);
            ++s;
        }
        next.endEdge = base_ + (block ? end : tape.stretches[s - 1].SilenceEdge());
        pending_ = std::move(next);
        NoteEndEdge();
        ended_.push_back(std::move(item));
    }
}

// The pending item's pause runs from the edge after it to the next item.
void LiveDecoder::NoteEndEdge() {
    if (pending_ && !pending_->endAt && pending_->endEdge >= base_ &&
        pending_->endEdge - base_ < edges_.size()) {
        pending_->endAt = edges_[pending_->endEdge - base_];
    }
}

void LiveDecoder::Release(std::optional<double> nextStart) {
    if (!pending_) {
        return;
    }
    const std::uint32_t pause = nextStart && pending_->endAt
                                    ? TzxPauseMs(*pending_->endAt, *nextStart, rate_)
                                    : LastItemPauseMs;
    SetTzxPause(pending_->tzx, pending_->pauseAt, pause);
    tzx_.insert(tzx_.end(), pending_->tzx.begin(), pending_->tzx.end());
    pending_.reset();
}

} // namespace bitreel
