#pragma once

#include <cstddef>
#include <string_view>

namespace bitreel {

// One character of UTF-8 text: its code and the bytes it takes. A byte that
// starts no well-formed character (a stray continuation byte, a sequence cut
// short, an overlong form, a surrogate, a code past U+10FFFF) is not one:
// valid is false and it takes that byte alone.
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};

// The character that starts at utf8[at]; at must be inside utf8.
[[nodiscard]] inline Utf8Char DecodeUtf8(std::string_view utf8, std::size_t at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || utf8.size() - at < length) {
        return {};
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if ((next & 0xC0) != 0x80) {
            return {};
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t Shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {};
    }
    return {code, length, true};
}

} // namespace bitreel
