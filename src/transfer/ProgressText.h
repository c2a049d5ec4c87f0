#pragma once

#include <cstdint>
#include <string>

namespace bitreel {

// The progress line during a transfer: "25 of 50".
[[nodiscard]] inline std::string ProgressText(std::int64_t count, std::int64_t total) {
    return std::to_string(count) + " of " + std::to_string(total);
}

// The progress line while a received frame has begun but its block is still empty.
inline constexpr const char* UnknownProgressText = "1 of ?";

} // namespace bitreel
