#pragma once

#include "signal/decode/TapeDecoder.h"

#include <cstdint>
#include <span>
#include <vector>

namespace bitreel {

// What one take knows of a block's bytes once its bits stand where the
// other takes say they belong.
struct PlacedBlock {
    std::vector<std::uint8_t> bytes;
    std::vector<float> confidence; // 0 where a bit of the byte is not known
    bool lengthKnown = true;       // its last bits are placed: its length is the block's
};

// The confidence of a byte whose bits were moved into place after a
// dropout: sure of its bits, less of where they stand.
inline constexpr float PlacedConfidence = 0.6f;

// The same block as several takes read it. After a dropout a take guessed
// how many bits were lost, so its later bits may sit a few places off: each
// stretch of bits after a dropout is moved to where it agrees best with the
// bits the other takes know there, and kept when it agrees almost
// everywhere. A stretch that agrees nowhere stays unknown.
[[nodiscard]] std::vector<PlacedBlock> PlaceTakes(std::span<const DecodedBlock* const> blocks);

} // namespace bitreel
