#pragma once

#include "tape/TapeBlock.h"
#include "tape/TapeLayout.h"
#include "transfer/TransferResult.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// Gathers the frames the machine sends into blocks. Bytes are taken in as
// they are read; a frame's length is read once a third byte shows that it
// has a body; bytes beyond the frame in progress wait for the next one, so
// that at most one block is completed per gathering.
class FrameGatherer {
public:
    void Take(std::span<const std::uint8_t> bytes);

    // Bytes are waiting that are not part of a block yet.
    [[nodiscard]] bool Waiting() const { return !received_.empty(); }
    // The frame in progress has bytes of its own.
    [[nodiscard]] bool BlockStarted() const { return !gathered_.Bytes.empty(); }

    // Moves the waiting bytes of the frame in progress into its block; false
    // while its length is not known yet.
    bool Gather();
    // Bytes of the frame in progress gathered, and its whole size; valid
    // after Gather returned true.
    [[nodiscard]] std::size_t Count() const { return gathered_.Bytes.size(); }
    [[nodiscard]] std::size_t Total() const { return static_cast<std::size_t>(expected_) + 2; }
    [[nodiscard]] bool Complete() const { return expected_ >= 0 && Count() == Total(); }

    // The completed block: Bytes the whole frame, Length its length field.
    // Gathering starts on the next frame.
    [[nodiscard]] TapeBlock TakeBlock();

    // The frame that has begun and not come whole, gathered or still
    // waiting; none between frames, and none when a whole frame waits to be
    // taken.
    [[nodiscard]] std::optional<FramePart> InProgress() const;

private:
    std::deque<std::uint8_t> received_;
    TapeBlock gathered_;
    std::int32_t expected_ = -1;
};

} // namespace bitreel
