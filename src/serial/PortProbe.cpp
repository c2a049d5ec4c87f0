// Tells whether a serial device can be opened now.
#include "serial/PortProbe.h"

#include "serial/DeviceAccess.h"

#include <QSerialPort>

#include <filesystem>
#include <system_error>

namespace bitreel {

PortStatus ProbePort(const std::string& device) {
#ifndef _WIN32
    std::error_code ignored;
    if (!std::filesystem::exists(device, ignored)) {
        return {PortState::Absent, {}};
    }
    // Asked before the open, so that a refusal for want of rights is told
    // apart from a device held by another program.
    if (DeviceAccessRefused(device)) {
        return {PortState::PermissionDenied, DeviceGroup(device)};
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
