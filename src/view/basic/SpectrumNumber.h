#pragma once

// The Spectrum's 5-byte number form, as stored after a number in a BASIC
// line and in the variables area.

#include <cstdint>
#include <span>
#include <string>

namespace bitreel::view {

// The exact value of the 5 bytes: the small-integer form (first byte 0, then a
// sign byte 0 or 255 and a 16-bit little-endian two's complement value) or
// the floating form (exponent byte biased by 128, then a 32-bit mantissa,
// high byte first, whose top bit holds the sign in place of the implied 1).
[[nodiscard]] double DecodeSpectrumNumber(std::span<const std::uint8_t, 5> bytes) noexcept;

// The value as the Spectrum prints it: rounded to 8 significant digits,
// trailing zeros dropped; plain while at most 8 digits stand before the point
// and the first significant digit lies at most 5 places after it, else in
// E form ("1E+10", "1.2345679E+8", "1E-6"). As the machine does, a value
// below 1 shows a "0" before the point only when its first digit comes
// straight after it ("0.5" but ".05").
[[nodiscard]] std::string FormatSpectrumNumber(double value);

} // namespace bitreel::view
