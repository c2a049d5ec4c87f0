#include "view/basic/SpectrumNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bitreel::view {

double DecodeSpectrumNumber(std::span<const std::uint8_t, 5> b) noexcept {
    if (b[0] == 0) {
        const int magnitude = b[2] | (b[3] << 8);
        return b[1] == 0xFF ? magnitude - 65536 : magnitude;
    }
    const std::uint32_t mantissa = (static_cast<std::uint32_t>(b[1] | 0x80) << 24) |
                                   (static_cast<std::uint32_t>(b[2]) << 16) |
                                   (static_cast<std::uint32_t>(b[3]) << 8) | b[4];
    // 0.1mmm... in binary times 2^(e-128): 32 bits fit a double exactly.
    const double value = std::ldexp(static_cast<double>(mantissa), b[0] - 128 - 32);
    return (b[1] & 0x80) != 0 ? -value : value;
}

std::string FormatSpectrumNumber(double value) {
    if (!std::isfinite(value)) {
        return "?";
    }
    if (value == 0) {
        return "0";
    }
    std::string out;
    if (value < 0) {
        out += '-';
        value = -value;
    }
    // d.ddddddde+XX: the 8 significant digits, rounded.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7e", value);
    std::string digits;
    for (const char* p = buffer; *p != 'e'; ++p) {
        if (*p != '.') {
            digits += *p;
        }
    }
    const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    // Digits before the point, negative for zeros after it (.05 has -1).
    const int lead = exponent + 1;
    if (lead > 8 || lead < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += exponent < 0 ? '-' : '+';
        out += std::to_string(std::abs(exponent));
        return out;
    }
    if (lead <= 0) {
        if (lead == 0) {
            out += '0';
        }
        out += '.';
        out.append(static_cast<std::size_t>(-lead), '0');
        out += digits;
        return out;
    }
    const auto whole = static_cast<std::size_t>(lead);
    if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
        return out;
    }
    out.append(digits, 0, whole);
    out += '.';
    out.append(digits, whole);
    return out;
}

} // namespace bitreel::view
