// Tells whether a serial device can be opened now.
#include "serial/PortProbe.h"

#include <QSerialPort>

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <unistd.h>
#endif

namespace bitreel {

PortStatus ProbePort(const std::string& device) {
#ifndef _WIN32
    std::error_code ignored;
    if (!std::filesystem::exists(device, ignored)) {
        return {PortState::Absent, {}};
    }
    // Asked before the open, so that a refusal for want of rights is told
    // apart from a device held by another program.
    if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        return {PortState::PermissionDenied, {}};
    }
#endif
    QSerialPort port(QString::fromStdString(device));
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return {PortState::Opens, {}};
    }
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {PortState::Absent, {}};
    case QSerialPort::PermissionError:
        // The rights were checked above: the device is locked or busy.
        return {PortState::InUse, port.errorString().toStdString()};
    default:
        return {PortState::Fails, port.errorString().toStdString()};
    }
}

} // namespace bitreel
