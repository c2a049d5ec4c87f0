#include "view/basic/BasicVariables.h"

#include "tape/formats/ByteCursor.h"
#include "view/basic/SpectrumArrays.h"
#include "view/basic/SpectrumNumber.h"
#include "view/basic/SpectrumText.h"

#include <cstdio>
#include <optional>
#include <string>

namespace bitreel::view {

namespace {

constexpr std::uint8_t kEndMarker = 0x80;
constexpr std::size_t kNumberSize = 5;

// The variable types, by the top 3 bits of a variable's first byte.
enum Type : std::uint8_t {
    String = 2,
    Number = 3,
    NumberArray = 4,
    LongNumber = 5,
    CharArray = 6,
    ForLoop = 7,
};

std::optional<std::string> Number5(ByteCursor& cursor) {
    const auto bytes = cursor.Bytes(kNumberSize);
    if (!bytes) {
        return std::nullopt;
    }
    return FormatSpectrumNumber(DecodeSpectrumNumber(bytes->first<kNumberSize>()));
}

char Lower(std::uint8_t code) {
    const auto ch = static_cast<char>(code & 0x7F);
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

void Append(TextView& to, TextView&& from) {
    to.lines.insert(to.lines.end(), from.lines.begin(), from.lines.end());
    to.problems.insert(to.problems.end(), from.problems.begin(), from.problems.end());
}

// Lists the variable whose first byte was just read; false when its bytes
// run past the end.
bool ListOne(std::uint8_t first, ByteCursor& cursor, TextView& view) {
    const std::string letter(1, static_cast<char>(0x60 | (first & 0x1F)));
    switch (first >> 5) {
    case Number: {
        const auto value = Number5(cursor);
        if (value) {
            view.lines.push_back(letter + " = " + *value);
        }
        return value.has_value();
    }
    case LongNumber: {
        std::string name = letter;
        for (;;) {
            const auto ch = cursor.U8();
            if (!ch) {
                return false;
            }
            name += Lower(*ch);
            if ((*ch & 0x80) != 0) {
                break;
            }
        }
        const auto value = Number5(cursor);
        if (value) {
            view.lines.push_back(name + " = " + *value);
        }
        return value.has_value();
    }
    case String: {
        const auto length = cursor.U16();
        const auto bytes = length ? cursor.Bytes(*length) : std::nullopt;
        if (!bytes) {
            return false;
        }
        SpectrumText text;
        for (std::size_t pos = 0; pos < bytes->size();) {
            pos = text.Put(*bytes, pos);
        }
        view.lines.push_back(letter + "$ = \"" + text.Take() + "\"");
        return true;
    }
    case NumberArray:
    case CharArray: {
        const auto length = cursor.U16();
        const auto bytes = length ? cursor.Bytes(*length) : std::nullopt;
        if (!bytes) {
            return false;
        }
        Append(view, (first >> 5) == NumberArray ? ListNumberArray(*bytes, letter)
                                                 : ListCharArray(*bytes, letter + "$"));
        return true;
    }
    case ForLoop: {
        const auto value = Number5(cursor);
        const auto limit = Number5(cursor);
        const auto step = Number5(cursor);
        const auto line = cursor.U16();
        const auto statement = cursor.U8();
        if (!value || !limit || !step || !line || !statement) {
            return false;
        }
        view.lines.push_back(letter + " = " + *value + " (TO " + *limit + " STEP " + *step +
                             ", loops to line " + std::to_string(*line) + " statement " +
                             std::to_string(*statement) + ")");
        return true;
    }
    default:
        return false;
    }
}

} // namespace

TextView ListBasicVariables(std::span<const std::uint8_t> variables) {
    TextView view;
    ByteCursor cursor(variables);
    while (!cursor.AtEnd()) {
        const std::size_t offset = cursor.Offset();
        const std::uint8_t first = *cursor.U8();
        if (first == kEndMarker) {
            return view;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", first);
        if ((first >> 5) < String) {
            view.problems.push_back("unknown variable type " + std::string(hex) + " at offset " +
                                    std::to_string(offset) + " of the variables");
            return view;
        }
        if (!ListOne(first, cursor, view)) {
            view.problems.push_back("the variable at offset " + std::to_string(offset) +
                                    " of the variables (type " + hex + ") runs past the end");
            return view;
        }
    }
    // The ROM saves the variables without their end marker, so an area that
    // ends after a whole variable is complete.
    return view;
}

} // namespace bitreel::view
