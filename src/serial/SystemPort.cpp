#include "serial/SystemPort.h"

#include "serial/DeviceAccess.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace bitreel {
namespace {

// Bounds one ReadAll's draining of the driver, should bytes keep coming.
constexpr int MaxReadsPerReadAll = 64;

QSerialPort::Parity ToQt(Parity parity) {
    switch (parity) {
    case Parity::None:
        return QSerialPort::NoParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQt(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::One:
        return QSerialPort::OneStop;
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

#ifndef _WIN32
// Whether the driver takes more bytes now. Writing to a full driver would be
// reported as an error rather than as "try later".
bool Writable(int fd) {
    pollfd entry{fd, POLLOUT, 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLOUT) != 0;
}
#endif

// An unplugged adapter shows up as ResourceError; a device hung up under us
// (its reads end) as ReadError.
bool DeviceGone(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

} // namespace

SystemPort::SystemPort(PortTable table) : SystemPort(std::move(table), std::string()) {}

PortTable SystemPort::DeviceTable(const std::string& device) {
    return {{1, device}};
}

SystemPort::SystemPort(PortTable table, std::string label)
    : table_(std::move(table)), label_(std::move(label)) {
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { OnError(error); });
}

SystemPort::~SystemPort() {
    Close();
}

void SystemPort::OnError(QSerialPort::SerialPortError error) {
    // Qt reports a successful open as NoError; the other errors are met by the
    // operation that caused them. Only a vanished device is remembered, as it
    // can also show up while the event loop runs between operations.
    if (DeviceGone(error) && port_.isOpen() && !gone_) {
        gone_ = true;
        goneReason_ = port_.errorString().toStdString();
    }
}

void SystemPort::SetPortNumber(int number) {
    ReleaseIfGone();
    if (port_.isOpen()) {
        throw PortError("the port number cannot change while the port is open");
    }
    if (DeviceName(number).empty()) {
        throw PortError("no serial device for port number " + std::to_string(number));
    }
    number_ = number;
}

std::string SystemPort::DeviceName(int number) const {
    const auto it = table_.find(number);
    return it == table_.end() ? std::string() : it->second;
}

void SystemPort::SetSettings(const LineSettings& settings) {
    settings_ = settings;
    if (port_.isOpen()) {
        ApplySettings();
    }
}

void SystemPort::SetHandshaking(Handshake mode) {
    if (mode != Handshake::None && mode != Handshake::RtsCts) {
        throw PortError("unsupported handshaking " + std::to_string(static_cast<int>(mode)));
    }
    handshaking_ = mode;
    if (port_.isOpen()) {
        ApplySettings();
    }
}

void SystemPort::SetDtrEnable(bool enable) {
    dtrEnable_ = enable;
    if (port_.isOpen()) {
        RequireOpen();
        ApplyDtr();
    }
}

void SystemPort::Open() {
    ReleaseIfGone();
    if (port_.isOpen()) {
        throw PortError("the port is open already");
    }
    const std::string device = DeviceName(number_);
    if (device.empty()) {
        throw PortError("no serial device for port number " + std::to_string(number_));
    }
    port_.setPortName(QString::fromStdString(device));
    // Before the open these only record what the open applies.
    ApplySettings();
    gone_ = false;
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        const std::string reason = port_.errorString().toStdString();
        port_.clearError();
        // Qt reports a device in use by another program the same way as one
        // this user may not open; only the second is worth telling the user.
        if (error == QSerialPort::PermissionError) {
            if (DeviceAccessRefused(device)) {
                throw PortPermissionError(device, DeviceGroup(device));
            }
            // Qt's own words ("Permission error while locking the device")
            // would send the user after rights they already have.
            throw PortError("cannot open " + device + ": in use by another program");
        }
        throw PortError("cannot open " + device + ": " + reason);
    }
    // Linux raises DTR on every open; the machine must see it only when asked.
    try {
        ApplyDtr();
    } catch (const PortError&) {
        Close();
        throw;
    }
}

void SystemPort::Close() {
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Output);
        port_.close();
    }
    port_.clearError();
    gone_ = false;
    goneReason_.clear();
}

void SystemPort::CloseKeepingOutput() {
    if (port_.isOpen()) {
        port_.close();
    }
    port_.clearError();
    gone_ = false;
    goneReason_.clear();
}

void SystemPort::ReleaseIfGone() {
    // The device went away while the event loop ran: the port reads as
    // closed, so let go of what Qt still holds before it is used again.
    if (gone_) {
        Close();
    }
}

bool SystemPort::IsOpen() const {
    return port_.isOpen() && !gone_;
}

bool SystemPort::CtsHolding() {
    // No modem-control lines: a three-wire line is always ready.
    const std::optional<InputLines> lines = ReadPins("reading CTS");
    return !lines || lines->cts;
}

std::optional<InputLines> SystemPort::ReadInputLines() {
    return ReadPins("reading the modem lines");
}

void SystemPort::SetRts(bool raised) {
    RequireOpen();
    if (handshaking_ == Handshake::RtsCts) {
        throw PortError(Name() + ": RTS is the driver's own while RTS/CTS handshaking is on");
    }
    port_.clearError();
    if (port_.setRequestToSend(raised)) {
        return;
    }
    if (port_.error() == QSerialPort::UnsupportedOperationError) {
        // No modem-control lines: there is no RTS to change.
        port_.clearError();
        return;
    }
    Fail("setting RTS");
}

std::optional<InputLines> SystemPort::ReadPins(std::string_view what) {
    RequireOpen();
    port_.clearError();
    const QSerialPort::PinoutSignals pins = port_.pinoutSignals();
    switch (port_.error()) {
    case QSerialPort::NoError:
        return InputLines{pins.testFlag(QSerialPort::ClearToSendSignal),
                          pins.testFlag(QSerialPort::DataSetReadySignal),
                          pins.testFlag(QSerialPort::DataCarrierDetectSignal)};
    case QSerialPort::UnsupportedOperationError:
        port_.clearError();
        return std::nullopt;
    default:
        Fail(what);
    }
}

void SystemPort::DiscardOutput() {
    RequireOpen();
    port_.clearError();
    if (!port_.clear(QSerialPort::Output)) {
        Fail("discarding output");
    }
}

void SystemPort::Write(std::span<const std::uint8_t> bytes) {
    RequireOpen();
    if (bytes.empty()) {
        return;
    }
    port_.clearError();
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        Fail("writing");
    }
    PushOutput();
}

std::vector<std::uint8_t> SystemPort::ReadAll() {
    RequireOpen();
    PullInput();
    const QByteArray data = port_.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::size_t SystemPort::PendingOutput() {
    RequireOpen();
    auto pending = static_cast<std::size_t>(port_.bytesToWrite());
#ifdef _WIN32
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(reinterpret_cast<HANDLE>(port_.handle()), &errors, &status)) {
        Close();
        throw PortError(Name() + ": reading the output queue failed");
    }
    pending += status.cbOutQue;
#else
    int queued = 0;
    if (::ioctl(port_.handle(), TIOCOUTQ, &queued) == -1) {
        const int error = errno;
        // A driver that keeps no count of its own queue has nothing to add.
        if (error != ENOTTY && error != EINVAL) {
            Close();
            throw PortError(Name() + ": reading the output queue failed: " + std::strerror(error));
        }
    } else if (queued > 0) {
        pending += static_cast<std::size_t>(queued);
    }
#endif
    return pending;
}

void SystemPort::RequireOpen() {
    if (gone_) {
        Close();
        throw PortError(Name() + " went away");
    }
    if (!port_.isOpen()) {
        throw PortError(Name() + " is not open");
    }
}

void SystemPort::ApplySettings() {
    const bool ok =
        port_.setBaudRate(settings_.baud) &&
        port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits)) &&
        port_.setParity(ToQt(settings_.parity)) && port_.setStopBits(ToQt(settings_.stopBits)) &&
        port_.setFlowControl(handshaking_ == Handshake::RtsCts ? QSerialPort::HardwareControl
                                                               : QSerialPort::NoFlowControl);
    if (!ok) {
        Fail("applying the line settings");
    }
}

void SystemPort::ApplyDtr() {
    port_.clearError();
    if (port_.setDataTerminalReady(dtrEnable_)) {
        return;
    }
    if (port_.error() == QSerialPort::UnsupportedOperationError) {
        // No modem-control lines: there is no DTR to change.
        port_.clearError();
        return;
    }
    Fail("setting DTR");
}

void SystemPort::PushOutput() {
    if (port_.bytesToWrite() == 0) {
        return;
    }
#ifndef _WIN32
    if (!Writable(static_cast<int>(port_.handle()))) {
        return;
    }
#endif
    port_.clearError();
    port_.flush();
    if (port_.error() != QSerialPort::NoError) {
        Fail("writing");
    }
}

void SystemPort::PullInput() {
    // Bytes can arrive while no event loop runs; waiting zero milliseconds
    // takes in what the driver holds without blocking.
    for (int i = 0; i < MaxReadsPerReadAll; ++i) {
        port_.clearError();
        const bool more = port_.waitForReadyRead(0);
        const QSerialPort::SerialPortError error = port_.error();
        if (gone_ || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)) {
            Fail("reading");
        }
        if (!more) {
            break;
        }
    }
    port_.clearError();
}

[[noreturn]] void SystemPort::Fail(std::string_view what) {
    const bool gone = gone_ || DeviceGone(port_.error());
    std::string message =
        std::string(what) + " failed: " + (gone_ ? goneReason_ : port_.errorString().toStdString());
    if (gone) {
        // The device went away: Qt leaves the port open, so close it here.
        Close();
        throw PortError(Name() + " went away");
    }
    port_.clearError();
    throw PortError(Name() + ": " + message);
}

void SystemPort::WaitForLine(int timeoutMs) {
    RequireOpen();
    port_.clearError();
    if (port_.bytesToWrite() > 0) {
        port_.waitForBytesWritten(timeoutMs);
    } else {
        port_.waitForReadyRead(timeoutMs);
    }
    const QSerialPort::SerialPortError error = port_.error();
    if (gone_ || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)) {
        Fail("waiting for the line");
    }
    port_.clearError();
}

std::string SystemPort::Name() const {
    if (!label_.empty()) {
        return label_;
    }
    return "COM" + std::to_string(number_);
}

} // namespace bitreel
