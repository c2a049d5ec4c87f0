#include "serial/LineSettings.h"

#include "serial/SerialPort.h"

#include <array>
#include <charconv>
#include <string>

namespace bitreel {
namespace {

[[noreturn]] void Malformed(std::string_view text, std::string_view why) {
    throw PortError("malformed line settings \"" + std::string(text) + "\": " + std::string(why));
}

// A plain decimal number and nothing else: no sign, no blanks.
bool ReadNumber(std::string_view field, int& value) {
    if (field.empty() || field.front() < '0' || field.front() > '9') {
        return false;
    }
    const auto* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

std::chrono::nanoseconds LineSettings::ByteTime() const {
    // Counted in half bits so that 1.5 stop bits stays exact.
    int halfBits = 2 * (1 + dataBits);
    if (parity != Parity::None) {
        halfBits += 2;
    }
    switch (stopBits) {
    case StopBits::One:
        halfBits += 2;
        break;
    case StopBits::OneAndHalf:
        halfBits += 3;
        break;
    case StopBits::Two:
        halfBits += 4;
        break;
    }
    const long long halfBitNs = 1'000'000'000LL * halfBits / 2;
    return std::chrono::nanoseconds(halfBitNs / baud);
}

LineSettings ParseLineSettings(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::string_view rest = text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto comma = rest.find(',');
        if (i + 1 < fields.size()) {
            if (comma == std::string_view::npos) {
                Malformed(text, "four fields expected");
            }
            fields[i] = rest.substr(0, comma);
            rest.remove_prefix(comma + 1);
        } else {
            if (comma != std::string_view::npos) {
                Malformed(text, "four fields expected");
            }
            fields[i] = rest;
        }
    }

    LineSettings settings;
    if (!ReadNumber(fields[0], settings.baud) || settings.baud <= 0) {
        Malformed(text, "bad baud rate");
    }

    if (fields[1].size() != 1) {
        Malformed(text, "bad parity");
    }
    switch (fields[1].front()) {
    case 'n':
    case 'N':
        settings.parity = Parity::None;
        break;
    case 'e':
    case 'E':
        settings.parity = Parity::Even;
        break;
    case 'o':
    case 'O':
        settings.parity = Parity::Odd;
        break;
    case 'm':
    case 'M':
        settings.parity = Parity::Mark;
        break;
    case 's':
    case 'S':
        settings.parity = Parity::Space;
        break;
    default:
        Malformed(text, "bad parity");
    }

    if (!ReadNumber(fields[2], settings.dataBits) || settings.dataBits < 5 ||
        settings.dataBits > 8) {
        Malformed(text, "data bits must be 5 to 8");
    }

    if (fields[3] == "1") {
        settings.stopBits = StopBits::One;
    } else if (fields[3] == "1.5") {
        settings.stopBits = StopBits::OneAndHalf;
    } else if (fields[3] == "2") {
        settings.stopBits = StopBits::Two;
    } else {
        Malformed(text, "stop bits must be 1, 1.5 or 2");
    }
    return settings;
}

std::string LineSettingsText(const LineSettings& settings) {
    constexpr std::string_view parity = "neoms";
    constexpr std::array<std::string_view, 3> stopBits = {"1", "1.5", "2"};
    std::string text = std::to_string(settings.baud);
    text += ',';
    text += parity[static_cast<std::size_t>(settings.parity)];
    text += ',' + std::to_string(settings.dataBits) + ',';
    text += stopBits[static_cast<std::size_t>(settings.stopBits)];
    return text;
}

} // namespace bitreel
