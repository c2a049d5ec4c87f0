// Turns the bytes the machine sends into whole blocks.
#include "transfer/FrameGatherer.h"

#include "tape/formats/BlockReader.h"
#include "tape/formats/ByteCursor.h"

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

std::optional<FramePart> FrameGatherer::InProgress() const {
    const std::size_t held = gathered_.Bytes.size() + received_.size();
    if (held == 0) {
        return std::nullopt;
    }
    const auto byte = [this](std::size_t i) {
        return i < gathered_.Bytes.size() ? gathered_.Bytes[i]
                                          : received_[i - gathered_.Bytes.size()];
    };
    FramePart part;
    if (held >= 2) {
        const std::int64_t length = byte(0) | (byte(1) << 8);
        if (static_cast<std::int64_t>(held) - 2 >= length) {
            return std::nullopt; // whole, waiting to be taken: nothing of it is missing
        }
        part.length = length;
        part.received = static_cast<std::int64_t>(held) - 2;
    }
    return part;
}

} // namespace bitreel
