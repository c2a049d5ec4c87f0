#pragma once

#include "serial/LineSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel {

// Every failure of a port operation: a refused number, a port that is missing,
// in use, closed or gone, a malformed settings string, an I/O error.
// One exception type, so that a transfer loop sends every failure to its
// finishing steps without a check per call.
class PortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An open refused because this user may not use a device that is there (not
// one that is missing or held by another program). Its text is what the user
// is told: "/dev/ttyUSB0: permission denied; join the dialout group".
class PortPermissionError : public PortError {
public:
    // group: the group whose members may use the device, empty when joining
    // a group would not help.
    PortPermissionError(const std::string& device, const std::string& group)
        : PortError(device + ": permission denied" +
                    (group.empty() ? std::string() : "; join the " + group + " group")) {}
};

// The modem-control lines the far end drives, as the port reads them.
struct InputLines {
    bool cts = false;
    bool dsr = false;
    bool dcd = false;

    friend bool operator==(const InputLines&, const InputLines&) = default;
};

// The one serial port of the program: exactly the operations that the port
// choice, the transfers, start-up and Exit use. Every operation that can fail
// throws PortError, with a message a user can read ("COM5 is not open",
// "COM12 went away").
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // The port number, 1 to 16 in the port list. Changed only while the port
    // is closed; throws when the number is refused.
    virtual void SetPortNumber(int number) = 0;
    [[nodiscard]] virtual int PortNumber() const = 0;

    // The device behind a number ("/dev/ttyUSB0", "COM5"), empty when the
    // number has none; shown as a tooltip in the port list.
    [[nodiscard]] virtual std::string DeviceName(int number) const = 0;

    // Baud, parity, data bits, stop bits. Takes effect at the next open, and
    // at once on an open port.
    virtual void SetSettings(const LineSettings& settings) = 0;
    virtual void SetHandshaking(Handshake mode) = 0;
    // Whether DTR is raised while the port is open.
    virtual void SetDtrEnable(bool enable) = 0;

    virtual void Open() = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;

    // Whether the machine holds CTS asserted.
    [[nodiscard]] virtual bool CtsHolding() = 0;
    // Throws away every byte still waiting to be sent.
    virtual void DiscardOutput() = 0;
    // Queues bytes for sending; with RTS/CTS they leave only while CTS is asserted.
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Every byte received and not read yet, in arrival order; empty when none.
    [[nodiscard]] virtual std::vector<std::uint8_t> ReadAll() = 0;
    // Bytes written that have not left the PC yet (our buffer and the driver's).
    [[nodiscard]] virtual std::size_t PendingOutput() = 0;

    // For checking the line, not for transfers. The input lines as they are
    // now; none on a device without modem-control lines, where a level read
    // would say nothing about the far end.
    [[nodiscard]] virtual std::optional<InputLines> ReadInputLines() = 0;
    // Raises or drops RTS on an open port. Refused while RTS/CTS handshaking
    // is on, when RTS is the driver's to drive; a device without
    // modem-control lines takes it as done.
    virtual void SetRts(bool raised) = 0;
};

} // namespace bitreel
