#pragma once

// The run encoding of .z80 memory: ED ED n b stands for n bytes of value b,
// every other byte for itself. One decoder for version 1's 48K and for each
// 16 KB page of versions 2 and 3.

#include <cstddef>
#include <cstdint>
#include <span>

namespace bitreel {

enum class RunsEnd {
    Filled,  // out filled by exactly all of packed
    Short,   // packed ended before out was full, or inside a run
    Overrun, // packed holds more than out takes
};

// Unpacks packed into out; what out holds past a failure is unspecified.
[[nodiscard]] RunsEnd UnpackZ80Runs(std::span<const std::uint8_t> packed,
                                    std::span<std::uint8_t> out) noexcept;

} // namespace bitreel
