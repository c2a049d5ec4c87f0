#pragma once

#include "serial/LineSettings.h"
#include "serial/PortTable.h"
#include "serial/SerialPort.h"

#include <QSerialPort>

#include <string>

namespace bitreel {

// The serial port of the running system, on QSerialPort. Port numbers are
// looked up in the table it is given.
//
// Works without an event loop running: Write pushes bytes to the driver at
// once, ReadAll takes in what the driver holds. Between operations the
// caller's event loop (the transfers' yield) also moves bytes.
//
// A device without modem-control lines (a pseudo-terminal) works as a
// three-wire line: CTS reads as asserted and DTR changes count as done.
// A device that goes away while open (an adapter pulled out) is closed once,
// and the operation that meets it throws.
class SystemPort final : public SerialPort {
public:
    explicit SystemPort(PortTable table = SystemPortTable());
    // A port named by its device path alone (a command line's "/dev/ttyUSB0"):
    // it stands as number 1, and messages name it by its path.
    [[nodiscard]] static PortTable DeviceTable(const std::string& device);
    SystemPort(PortTable table, std::string label);
    ~SystemPort() override;
    SystemPort(const SystemPort&) = delete;
    SystemPort& operator=(const SystemPort&) = delete;

    void SetPortNumber(int number) override;
    [[nodiscard]] int PortNumber() const override { return number_; }
    [[nodiscard]] std::string DeviceName(int number) const override;

    void SetSettings(const LineSettings& settings) override;
    void SetHandshaking(Handshake mode) override;
    void SetDtrEnable(bool enable) override;

    // Throws when the port is open already, the device is missing, or it is
    // in use by another holder; PortPermissionError when this user may not
    // use the device.
    void Open() override;
    // Discards pending output first, so that closing never waits for bytes the
    // machine is holding back with CTS. Closing a closed port does nothing.
    void Close() override;
    [[nodiscard]] bool IsOpen() const override;
    // Closes without discarding: for a run that has sent everything, so that
    // the far end of a pseudo-terminal still reads the last bytes (its
    // pending output never shows, and discarding would cut them off).
    void CloseKeepingOutput();

    [[nodiscard]] bool CtsHolding() override;
    void DiscardOutput() override;
    void Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] std::vector<std::uint8_t> ReadAll() override;
    [[nodiscard]] std::size_t PendingOutput() override;
    [[nodiscard]] std::optional<InputLines> ReadInputLines() override;
    void SetRts(bool raised) override;

    // Waits until bytes have arrived or waiting output has gone to the
    // driver, or the timeout has passed: for a front end with no event loop
    // of its own, instead of asking again at once. Throws when the device
    // went away.
    void WaitForLine(int timeoutMs);

private:
    void ReleaseIfGone();
    void OnError(QSerialPort::SerialPortError error);
    void RequireOpen();
    void ApplySettings();
    void ApplyDtr();
    void PushOutput();
    void PullInput();
    [[nodiscard]] std::optional<InputLines> ReadPins(std::string_view what);
    [[noreturn]] void Fail(std::string_view what);
    // "COM5", as the port list shows the port.
    [[nodiscard]] std::string Name() const;

    PortTable table_;
    std::string label_; // how messages name the port; empty: "COM" and its number
    int number_ = 1;
    LineSettings settings_;
    Handshake handshaking_ = Handshake::None;
    bool dtrEnable_ = false;
    // Set by the error handler when the device went away while open; the next
    // operation closes the port and fails.
    bool gone_ = false;
    std::string goneReason_;
    QSerialPort port_;
};

} // namespace bitreel
