#pragma once

#include "pulses/Pulses.h"

#include <cstddef>
#include <memory>
#include <optional>

namespace bitreel {

class TapeImage;

// Where a stream starts and ends.
struct PulseRange {
    std::size_t fromRow = 0;
    // The stream ends when it leaves this row; none: at the end of the tape.
    std::optional<std::size_t> lastRow;
};

// Plays an indexed tape image from a row, as the tape would run: each row's
// block gives its pulses (the ROM's encoding for a block of TAP, JUP and
// Ace TAP images, the block's own for TZX and PZX), and TZX jumps, loops and
// calls are followed. The signal starts low; every pulse ends with an edge,
// so that the last one of a block is whole. Memory stays bounded however
// long the tape runs: pulses are made as they are asked for.
//
// The image must outlive the stream and stay indexed (TapeImage::IndexAll).
class PulseStream final : public PulseSource {
public:
    PulseStream(const TapeImage& image, PulseRange range);
    PulseStream(PulseStream&&) noexcept;
    PulseStream& operator=(PulseStream&&) noexcept;
    ~PulseStream() override;

    // The next event; false once the tape has ended. A Stop event is followed
    // by the rest of the tape, for a player that goes on.
    [[nodiscard]] bool Next(PulseEvent& event) override;

private:
    class Walker;
    std::unique_ptr<Walker> walker_;
};

} // namespace bitreel
