#include "view/basic/SpectrumText.h"

#include "view/basic/SpectrumTokens.h"

#include <array>
#include <cstdio>

namespace bitreel::view {

namespace {

// 0x80-0x8F: bit 0 top right, bit 1 top left, bit 2 bottom right, bit 3
// bottom left.
constexpr std::array<std::string_view, 16> kBlockGraphics = {
    " ", "▝", "▘", "▀", "▗", "▐", "▚", "▜", "▖", "▞", "▌", "▛", "▄", "▟", "▙", "█",
};

constexpr std::array<std::string_view, 8> kControls = {
    "INK", "PAPER", "FLASH", "BRIGHT", "INVERSE", "OVER", "AT", "TAB",
};

constexpr std::uint8_t kFirstControl = 0x10;
constexpr std::uint8_t kAt = 0x16;
constexpr std::uint8_t kTab = 0x17;
constexpr std::uint8_t kFirstUdg = 0x90;

std::string Hex2(std::uint8_t code) {
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02X", code);
    return buffer;
}

bool IsLetter(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

} // namespace

std::size_t SpectrumText::Put(std::span<const std::uint8_t> bytes, std::size_t pos) {
    const std::uint8_t code = bytes[pos++];
    if (code < kFirstControl || code > kTab) {
        Character(code);
        return pos;
    }
    const std::size_t operands = code >= kAt ? 2 : 1;
    std::string text = "{";
    text += kControls[code - kFirstControl];
    text += ' ';
    if (bytes.size() - pos < operands) {
        text += "?}";
        Note(text);
        return bytes.size();
    }
    if (code == kAt) {
        text += std::to_string(bytes[pos]) + "," + std::to_string(bytes[pos + 1]);
    } else if (code == kTab) {
        text += std::to_string(bytes[pos] | (bytes[pos + 1] << 8));
    } else {
        text += std::to_string(bytes[pos]);
    }
    Note(text + "}");
    return pos + operands;
}

void SpectrumText::Character(std::uint8_t code) {
    if (IsToken(code)) {
        Keyword(code);
    } else if (code >= kFirstUdg) {
        Note(std::string("{UDG ") + static_cast<char>('A' + (code - kFirstUdg)) + "}");
    } else if (code >= 0x80) {
        Note(kBlockGraphics[code - 0x80]);
    } else if (code == 0x5E) {
        Symbol("↑");
    } else if (code == 0x60) {
        Symbol("£");
    } else if (code == 0x7F) {
        Symbol("©");
    } else if (code >= 0x20) {
        Shown(static_cast<char>(code));
    } else {
        Note("{" + Hex2(code) + "}");
    }
}

void SpectrumText::Note(std::string_view text) {
    FlushSpace();
    text_ += text;
}

std::string SpectrumText::Take() noexcept {
    pendingSpace_ = false;
    lastWasSpace_ = true;
    std::string text = std::move(text_);
    text_.clear();
    return text;
}

void SpectrumText::FlushSpace() {
    if (pendingSpace_) {
        text_ += ' ';
        pendingSpace_ = false;
    }
}

void SpectrumText::Shown(char ch) {
    FlushSpace();
    text_ += ch;
    lastWasSpace_ = ch == ' ';
}

void SpectrumText::Symbol(std::string_view utf8) {
    FlushSpace();
    text_ += utf8;
    lastWasSpace_ = false;
}

void SpectrumText::Keyword(std::uint8_t code) {
    const std::string_view word = TokenWord(code);
    const bool function = code >= 0xA5 && code <= 0xC4; // RND to BIN
    if (!function && IsLetter(word.front()) && !lastWasSpace_) {
        Shown(' ');
    }
    for (const char ch : word) {
        Shown(ch);
    }
    const bool noTrailing = code >= 0xA5 && code <= 0xA7; // RND, INKEY$, PI
    if (!noTrailing && (word.back() == '$' || IsLetter(word.back()))) {
        pendingSpace_ = true;
        lastWasSpace_ = true;
    }
}

} // namespace bitreel::view
