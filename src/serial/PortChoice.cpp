#include "serial/PortChoice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace bitreel {
namespace {

constexpr int FirstListedPort = 1;
constexpr int LastListedPort = 16;

// The number after "COM", read as a decimal number (sign and fraction
// allowed) and rounded to a 16-bit integer, halves to the even neighbour.
// Empty when there is no such number or it does not fit 16 bits.

// Runs one step whose failure is to be skipped.
template <typename Step> void Skipping(Step&& step) noexcept {
    try {
        step();
    } catch (const PortError&) {
    }
}

// The port choice's fallback: silent, and every step of it may fail on its
// own. The list is emptied first so that no port is listed twice. Returns
// the text the list shows.
std::string FallBack(SerialPort& port, std::vector<std::string>& entries,
                     std::optional<int> chosen) {
    entries.clear();
    static_cast<void>(ScanComPorts(port, entries));
    int fallback = 0;
    if (chosen &&
        std::find(entries.begin(), entries.end(), PortEntryText(*chosen)) != entries.end()) {
        fallback = *chosen;
    } else if (!entries.empty()) {
        fallback = PortNumberOfEntry(entries.front()).value_or(0);
    }
    Skipping([&] { port.SetPortNumber(fallback != 0 ? fallback : 1); });
    if (fallback != 0) {
        Skipping([&] { port.Open(); });
    } else {
        Skipping([&] { port.Close(); });
    }
    return PortEntryText(fallback);
}

} // namespace

std::optional<int> PortNumberOfEntry(std::string_view text) {
    if (text.size() <= 3) {
        return std::nullopt;
    }
    std::string_view digits = text.substr(3);
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() == '-') {
            return std::nullopt;
        }
    }
    double value = 0;
    const auto* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

std::string PortEntryText(int number) {
    return "COM" + std::to_string(number);
}

std::vector<std::string> ScanComPorts(SerialPort& port, std::vector<std::string>& entries) {
    std::vector<std::string> refused;
    Skipping([&] {
        if (port.IsOpen()) {
            port.Close();
        }
    });
    for (int n = FirstListedPort; n <= LastListedPort; ++n) {
        // A refused number counts as a failure even when the open that follows
        // succeeds on the number set before it.
        bool failed = false;
        try {
            port.SetPortNumber(n);
        } catch (const PortError&) {
            failed = true;
        }
        try {
            port.Open();
        } catch (const PortPermissionError& error) {
            failed = true;
            refused.emplace_back(error.what());
        } catch (const PortError&) {
            failed = true;
        }
        Skipping([&] { port.Close(); });
        if (!failed) {
            entries.push_back(PortEntryText(n));
        }
    }
    return refused;
}

std::string ChoosePort(SerialPort& port, std::vector<std::string>& entries,
                       std::string_view chosenText) {
    const std::optional<int> chosen = PortNumberOfEntry(chosenText);
    try {
        if (port.IsOpen()) {
            port.Close();
        }
        if (!chosen) {
            throw PortError("not a port entry: \"" + std::string(chosenText) + "\"");
        }
        port.SetPortNumber(*chosen);
        port.Open();
        return std::string(chosenText);
    } catch (const PortError&) {
    }

    return FallBack(port, entries, chosen);
}

PortReopening ReopenChosenPort(SerialPort& port, std::vector<std::string>& entries,
                               std::string_view chosenText) {
    if (port.IsOpen()) {
        return {true, {}, std::string(chosenText)};
    }
    std::string reason(NoPortOpenText);
    const std::optional<int> chosen = PortNumberOfEntry(chosenText);
    if (chosen) {
        try {
            port.SetPortNumber(*chosen);
            port.Open();
            return {true, {}, std::string(chosenText)};
        } catch (const PortError& error) {
            reason = error.what();
        }
    }
    return {false, std::move(reason), FallBack(port, entries, chosen)};
}

} // namespace bitreel
