#pragma once

#include <string>

namespace bitreel {

// Rows are indexed from 0 inside, but a person reads and types them counted
// from 1: in messages, progress, titles, export names and arguments. Every
// turn from one to the other goes through here.
inline constexpr long long FirstRowNumber = 1;

// The number a person sees for the row at an index.
[[nodiscard]] constexpr long long RowNumberOf(long long index) noexcept {
    return index + FirstRowNumber;
}

[[nodiscard]] inline std::string RowNumberText(long long index) {
    return std::to_string(RowNumberOf(index));
}

} // namespace bitreel
