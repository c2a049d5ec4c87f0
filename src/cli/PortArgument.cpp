// Turns a --port argument into the device to open.
#include "cli/PortArgument.h"

#include "serial/SystemPort.h"

#include <cctype>
#include <charconv>

namespace bitreel::cli {
namespace {

std::optional<int> ComNumber(std::string_view argument) {
    if (argument.size() < 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(argument[i])) != "COM"[i]) {
            return std::nullopt;
        }
    }
    int number = 0;
    const std::string_view digits = argument.substr(3);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

} // namespace

std::optional<PortTarget> ResolvePort(std::string_view argument, const PortTable& table) {
    if (const auto number = ComNumber(argument)) {
        const auto entry = table.find(*number);
        if (entry == table.end()) {
            return std::nullopt;
        }
        return PortTarget{table, *number, "COM" + std::to_string(*number), entry->second};
    }
    if (argument.find('/') == std::string_view::npos &&
        argument.find('\\') == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string device(argument);
    return PortTarget{SystemPort::DeviceTable(device), 1, device, device};
}

} // namespace bitreel::cli
