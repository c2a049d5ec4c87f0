#pragma once

#include "serial/PortTable.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace bitreel {

// What the system tells of the device behind a port. Empty texts and no
// values where it says nothing (a pseudo-terminal, a port without USB).
struct AdapterInfo {
    std::string device;           // as named: "/dev/serial/by-id/...", "COM5"
    std::string systemDevice;     // what that path leads to: "/dev/ttyUSB0"
    std::optional<int> comNumber; // its number in the port table
    std::string manufacturer;
    std::string description;
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::string serialNumber;
    std::string driver; // the kernel driver: "ftdi_sio", "ch341-uart", "cp210x"
};

// Looks the device up in the system's list of serial ports and in the table.
[[nodiscard]] AdapterInfo IdentifyAdapter(const std::string& device, const PortTable& table);

// The kernel driver behind a tty ("ttyUSB0") as sysfs links it, passing over
// the serial core's own port devices to the driver of the hardware; empty
// where the system does not say (a pseudo-terminal, other systems).
[[nodiscard]] std::string KernelDriver(const std::string& ttyName,
                                       const std::filesystem::path& sysRoot = "/sys");

} // namespace bitreel
