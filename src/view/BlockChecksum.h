#pragma once

// The checksum of a block as stored, judged by the tape's own verdict (the
// XOR of the payload, the flag left out).

#include "tape/TapeBlock.h"

#include <cstdint>
#include <span>
#include <string>

namespace bitreel::view {

enum class ChecksumState {
    None,     // no checksum: the block is empty
    Good,     // stored equals the XOR of the payload
    Replaced, // stored equals the XOR of flag and payload: playback sends the payload's XOR instead
    Damaged,  // stored equals neither
};

struct ChecksumCheck {
    ChecksumState state = ChecksumState::None;
    std::uint8_t stored = 0;
    std::uint8_t computed = 0;
};

// Judges a block as stored in the file: length field, flag, payload,
// checksum. The stored checksum must be the one read from the file: a block
// read for playback already carries the computed one. A one-byte body counts
// as its own checksum over an empty payload, as the reader takes it: good
// when 0, else damaged.
[[nodiscard]] ChecksumCheck CheckChecksum(std::span<const std::uint8_t> frame) noexcept;

// The same with the verdict the reader gave, for a layout whose flag is not
// stored (Jupiter Ace TAP): the frame's flag is the one the reader supplied,
// which no stored checksum can cover.
[[nodiscard]] ChecksumCheck CheckChecksum(std::span<const std::uint8_t> frame,
                                          ChecksumVerdict verdict) noexcept;

// "stored 0x2F, computed 0x2F: good"; "none (empty block)" without a checksum.
[[nodiscard]] std::string ChecksumText(const ChecksumCheck& check);

} // namespace bitreel::view
