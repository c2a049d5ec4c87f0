// Turns a --port argument into the device to open.
#include "cli/options/PortArgument.h"

#include "serial/SystemPort.h"

#include <cctype>
#include <charconv>
#include <filesystem>

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
        if (const auto entry = table.find(*number); entry != table.end()) {
            return PortTarget{table, *number, "COM" + std::to_string(*number), entry->second};
        }
    }
    const std::string device(argument);
    const bool path =
        device.find('/') != std::string::npos || device.find('\\') != std::string::npos;
    std::error_code error;
    if (!path && !std::filesystem::exists(device, error)) {
        return std::nullopt;
    }
    // The port layer takes a name without a folder for a device in /dev: one
    // in the current folder goes by its whole path.
    const std::string opened = path ? device : std::filesystem::absolute(device, error).string();
    return PortTarget{SystemPort::DeviceTable(opened), 1, device, opened};
}

} // namespace bitreel::cli
