#pragma once

// The Spectrum's keyword tokens: one byte stands for a whole word in a
// program line.

#include <cstdint>
#include <string_view>

namespace bitreel::view {

// The lowest token code: 0xA3 SPECTRUM and 0xA4 PLAY of the 128K, then the
// 48K's tokens from 0xA5 RND to 0xFF COPY.
inline constexpr std::uint8_t FirstToken = 0xA3;

[[nodiscard]] constexpr bool IsToken(std::uint8_t code) noexcept {
    return code >= FirstToken;
}

// The word of a token code (0xA3-0xFF); empty for any other code.
[[nodiscard]] std::string_view TokenWord(std::uint8_t code) noexcept;

} // namespace bitreel::view
