// Row texts shared by the TZX and PZX readers.
#include "tape/RowText.h"

namespace bitreel {
namespace {

constexpr std::size_t LabelWidth = 12;

char Shown(std::uint32_t code) {
    return code < 0x20 || code == 0x7F ? ' ' : static_cast<char>(code);
}

} // namespace

std::string LabelRow(std::string_view label, std::string_view value) {
    std::string row(label);
    if (row.size() < LabelWidth) {
        row.resize(LabelWidth, ' ');
    }
    row += ": ";
    row += value;
    return row;
}

std::optional<std::string_view> DamageNoteOf(std::string_view row) {
    const std::string start = LabelRow(TextLabel, DamageTextStart);
    if (!row.starts_with(start)) {
        return std::nullopt;
    }
    return row.substr(start.size());
}

constexpr std::string_view NotSentMark = " [not sent]";

std::string NotSentRow(std::string_view label, std::string_view value) {
    std::string row = LabelRow(label, value);
    row += NotSentMark;
    return row;
}

bool IsNotSentRow(std::string_view row) noexcept {
    return row.ends_with(NotSentMark);
}

std::string ByteText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const std::uint8_t b : bytes) {
        text += Shown(b);
    }
    return text;
}

std::string Utf8Text(std::span<const std::uint8_t> bytes) {
    std::string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i++];
        if (lead < 0x80) {
            text += Shown(lead);
            continue;
        }
        std::size_t more = 0;
        std::uint32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            more = 1;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            code = lead & 0x07u;
        } else {
            text += '?';
            continue;
        }
        std::size_t taken = 0;
        while (taken < more && i < bytes.size() && (bytes[i] & 0xC0) == 0x80) {
            code = (code << 6) | (bytes[i++] & 0x3Fu);
            ++taken;
        }
        text += taken == more && code <= 0xFF ? Shown(code) : '?';
    }
    return text;
}

std::string ArchiveText(const ArchiveFacts& facts) {
    std::string text;
    for (const std::string& fact : facts) {
        if (!fact.empty()) {
            text += text.empty() ? "" : ", ";
            text += fact;
        }
    }
    return text;
}

std::string Counted(std::uint64_t count, std::string_view unit) {
    std::string text = std::to_string(count);
    text += ' ';
    text += unit;
    if (count != 1) {
        text += 's';
    }
    return text;
}

} // namespace bitreel
