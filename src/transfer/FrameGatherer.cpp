// Turns the bytes the machine sends into whole blocks.
#include "transfer/FrameGatherer.h"

#include "tape/BlockReader.h"
#include "tape/ByteCursor.h"

#include <algorithm>
#include <array>

namespace bitreel {

void FrameGatherer::Take(std::span<const std::uint8_t> bytes) {
    received_.insert(received_.end(), bytes.begin(), bytes.end());
}

bool FrameGatherer::Gather() {
    // The length is read only once a third byte shows the frame has a body.
    if (expected_ < 0 && received_.size() >= 3) {
        const std::array<std::uint8_t, 2> field = {received_[0], received_[1]};
        expected_ = *Le16At(field, 0);
    }
    if (expected_ < 0) {
        return false;
    }
    const std::size_t take = std::min(received_.size(), Total() - Count());
    const auto end = received_.begin() + static_cast<std::ptrdiff_t>(take);
    gathered_.Bytes.insert(gathered_.Bytes.end(), received_.begin(), end);
    received_.erase(received_.begin(), end);
    return true;
}

TapeBlock FrameGatherer::TakeBlock() {
    TapeBlock block = std::move(gathered_);
    block.Length = expected_;
    block.BadChecksum = false;
    // The recorder never replaces a checksum, but its row shows a damaged one.
    block.Verdict = FrameChecksumVerdict(block.Bytes);
    gathered_ = TapeBlock{};
    expected_ = -1;
    return block;
}

} // namespace bitreel
