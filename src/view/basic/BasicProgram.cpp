#include "view/basic/BasicProgram.h"

#include "tape/formats/ByteCursor.h"
#include "view/basic/SpectrumNumber.h"
#include "view/basic/SpectrumText.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace bitreel::view {

namespace {

constexpr std::uint8_t kEnter = 0x0D;
constexpr std::uint8_t kNumberMarker = 0x0E;
constexpr std::uint8_t kBin = 0xC4;
constexpr std::uint8_t kDefFn = 0xCE;
constexpr std::size_t kNumberSize = 5;

bool IsDigit(std::uint8_t b) {
    return b >= '0' && b <= '9';
}

bool IsExponent(std::uint8_t b) {
    return b == 'e' || b == 'E';
}

// The value the digits before a number marker show, as the machine would
// read them; no value when they do not form a number.
std::optional<double> ShownValue(std::span<const std::uint8_t> body, std::size_t start,
                                 std::size_t end) {
    while (start < end && !IsDigit(body[start]) && body[start] != '.') {
        ++start;
    }
    if (start == end) {
        return std::nullopt;
    }
    const std::string text(body.begin() + static_cast<std::ptrdiff_t>(start),
                           body.begin() + static_cast<std::ptrdiff_t>(end));
    std::size_t before = start;
    while (before > 0 && body[before - 1] == ' ') {
        --before;
    }
    if (before > 0 && body[before - 1] == kBin) {
        double value = 0;
        for (const char ch : text) {
            if (ch != '0' && ch != '1') {
                return std::nullopt;
            }
            value = value * 2 + (ch - '0');
        }
        return value;
    }
    double value = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || rest != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The text of one line's bytes; false when they end inside a number.
bool ListBody(std::span<const std::uint8_t> body, std::string& out) {
    SpectrumText text;
    // Where the run of characters that may spell the number before the next
    // marker begins.
    std::size_t literal = 0;
    std::size_t pos = 0;
    bool whole = true;
    // Between DEF FN and its "=", each parameter is followed by a marker and
    // five bytes the machine keeps the argument in when FN runs; it lists
    // none of them.
    bool parameters = false;
    while (pos < body.size() && body[pos] != kEnter) {
        const std::uint8_t b = body[pos];
        if (b == kDefFn) {
            parameters = true;
        } else if (b == '=' || b == ':') {
            parameters = false;
        }
        if (b == kNumberMarker) {
            if (body.size() - pos - 1 < kNumberSize) {
                whole = false;
                break;
            }
            if (parameters) {
                pos += 1 + kNumberSize;
                literal = pos;
                continue;
            }
            const double hidden = DecodeSpectrumNumber(body.subspan(pos + 1).first<kNumberSize>());
            const auto shown = ShownValue(body, literal, pos);
            const std::string hiddenText = FormatSpectrumNumber(hidden);
            if (!shown || FormatSpectrumNumber(*shown) != hiddenText) {
                text.Note("{" + hiddenText + "}");
            }
            pos += 1 + kNumberSize;
            literal = pos;
            continue;
        }
        const bool partOfNumber = IsDigit(b) || b == '.' || IsExponent(b) ||
                                  ((b == '+' || b == '-') && pos > 0 && IsExponent(body[pos - 1]));
        pos = text.Put(body, pos);
        if (!partOfNumber) {
            literal = pos;
        }
    }
    out += text.Take();
    return whole;
}

} // namespace

TextView ListBasicProgram(std::span<const std::uint8_t> program) {
    TextView view;
    ByteCursor cursor(program);
    while (!cursor.AtEnd()) {
        const std::size_t offset = cursor.Offset();
        const auto high = cursor.U8();
        const auto low = cursor.U8();
        const auto length = cursor.U16();
        if (!high || !low || !length) {
            view.problems.push_back(std::to_string(program.size() - offset) +
                                    " stray bytes at the end of the program, offset " +
                                    std::to_string(offset));
            break;
        }
        const int number = *high * 256 + *low;
        const std::size_t taken = std::min<std::size_t>(*length, cursor.Left());
        const auto body = *cursor.Bytes(taken);
        std::string line = std::to_string(number) + " ";
        const bool whole = ListBody(body, line);
        view.lines.push_back(std::move(line));
        if (taken < *length) {
            view.problems.push_back("line " + std::to_string(number) + " is " +
                                    std::to_string(*length) + " bytes long but only " +
                                    std::to_string(taken) + " are left in the program");
            break;
        }
        if (!whole) {
            view.problems.push_back("line " + std::to_string(number) +
                                    " ends inside a number's 5 bytes");
        }
    }
    return view;
}

} // namespace bitreel::view
