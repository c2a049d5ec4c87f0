// Names the adapter behind a serial device.
#include "serial/AdapterInfo.h"

#include <QSerialPortInfo>

#include <system_error>

namespace bitreel {
namespace {

namespace fs = std::filesystem;

// A path as the system resolves it; as given when it does not exist.
std::string Resolved(const std::string& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    return error ? path : real.string();
}

} // namespace

std::string KernelDriver(const std::string& ttyName, const fs::path& sysRoot) {
    std::error_code error;
    fs::path device = fs::canonical(sysRoot / "class" / "tty" / ttyName / "device", error);
    // Newer kernels put a port and a controller device of the serial core's
    // own bus between the tty and the hardware; their drivers say nothing.
    for (int depth = 0; !error && depth < 4; ++depth) {
        const fs::path driver = fs::read_symlink(device / "driver", error);
        if (error) {
            break;
        }
        if (driver.string().find("/bus/serial-base/") == std::string::npos) {
            return driver.filename().string();
        }
        device = device.parent_path();
    }
    return {};
}

AdapterInfo IdentifyAdapter(const std::string& device, const PortTable& table) {
    AdapterInfo info;
    info.device = device;
    info.systemDevice = Resolved(device);
    for (const auto& [number, path] : table) {
        if (path == device || Resolved(path) == info.systemDevice) {
            info.comNumber = number;
            break;
        }
    }
    const QString wanted = QString::fromStdString(info.systemDevice);
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        if (port.systemLocation() != wanted && port.portName() != wanted) {
            continue;
        }
        info.manufacturer = port.manufacturer().toStdString();
        info.description = port.description().toStdString();
        info.serialNumber = port.serialNumber().toStdString();
        if (port.hasVendorIdentifier()) {
            info.vendorId = port.vendorIdentifier();
        }
        if (port.hasProductIdentifier()) {
            info.productId = port.productIdentifier();
        }
        break;
    }
#ifdef __linux__
    info.driver = KernelDriver(fs::path(info.systemDevice).filename().string());
#endif
    return info;
}

} // namespace bitreel
