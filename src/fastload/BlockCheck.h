#pragma once

// The check every fast block carries, 16 bits: the sum of its bytes and
// the sum of those sums, each modulo 256, as the loader adds them up.

#include <cstdint>
#include <span>

namespace bitreel::fastload {

struct BlockCheck {
    std::uint8_t sum = 0;       // s1
    std::uint8_t sumOfSums = 0; // s2

    // As the loader's BC holds it: s2, s1.
    [[nodiscard]] std::uint16_t Word() const noexcept {
        return static_cast<std::uint16_t>(sumOfSums << 8 | sum);
    }
};

[[nodiscard]] inline BlockCheck CheckOf(std::span<const std::uint8_t> bytes) noexcept {
    BlockCheck check;
    for (const std::uint8_t byte : bytes) {
        check.sum = static_cast<std::uint8_t>(check.sum + byte);
        check.sumOfSums = static_cast<std::uint8_t>(check.sumOfSums + check.sum);
    }
    return check;
}

} // namespace bitreel::fastload
