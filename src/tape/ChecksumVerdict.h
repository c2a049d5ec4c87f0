#pragma once

#include <cstdint>
#include <span>

namespace bitreel {

// How a block's stored checksum byte compares with the two rules a tape may
// have followed. Only this system's own rule (payload alone) is ever sent.
enum class ChecksumVerdict : std::uint8_t {
    Good,     // the XOR of the payload
    Replaced, // the XOR of flag and payload: the byte is replaced, nothing is lost
    Damaged,  // neither: the block's bytes are not the ones that were saved
};

// The verdict on a frame as it stands before any replacement: length field,
// flag, payload, checksum. A frame without a body has nothing to judge; a body
// of one byte holds no payload, so that byte must be 0.
[[nodiscard]] ChecksumVerdict FrameChecksumVerdict(std::span<const std::uint8_t> frame) noexcept;

} // namespace bitreel
