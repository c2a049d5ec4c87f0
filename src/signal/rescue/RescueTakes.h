#pragma once

#include "signal/decode/RecordingReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bitreel {

// Where a rescued block's bytes came from.
enum class RescueSource {
    Take,    // a take whose checksum is right
    Vote,    // no take was right; the takes' bytes voted, and the checksum is right
    Damaged, // neither: the best take's bytes, still damaged
};

// One block of a tape as several takes of it hold it.
struct RescuedBlock {
    // The bytes kept, with the timings of the take they came from.
    DecodedBlock block;
    RescueSource source = RescueSource::Damaged;
    std::size_t take = 0;             // the take used, or whose bytes are kept (from 0)
    std::vector<std::size_t> takes;   // the takes that hold the block, in order
    std::vector<std::size_t> indices; // where in each of those takes, by the same order
    std::uint32_t pauseMs = 1000;     // the silence after it in that take
};

// Lines up the blocks of two or more takes of one tape: by order, flag and
// length, the bytes they agree on and the time they start at, so that takes
// may start at different points and one may miss a block. Each block found
// in any take is kept once, in tape order. A checksum is never rewritten:
// a block is good only as read, or as the vote made it.
[[nodiscard]] std::vector<RescuedBlock> RescueTakes(std::span<const DecodedRecording> takes);

// Sound the decoder did not understand, kept once in the rescued tape.
struct RescuedStretch {
    std::size_t take = 0; // whose edges it is
    Stretch stretch;
    std::size_t before = 0; // the rescued block it comes before; the count of them: after the last
    std::uint32_t pauseMs = 1000;
};

// The stretches between two blocks of the tape (or before the first, after
// the last), from the take that holds most of them there; kept where most
// of the takes that hold both blocks have such sound between them, since a
// take alone in it has only a dropout's leavings. A block that a stretch
// of its own take follows gets the silence up to it as its pause.
[[nodiscard]] std::vector<RescuedStretch> RescueStretches(std::span<const DecodedRecording> takes,
                                                          std::span<RescuedBlock> blocks);

} // namespace bitreel
