#pragma once

#include "serial/SerialPort.h"

namespace bitreel::cli {

// Passes every operation to the port and remembers whether one failed, so
// that a run that failed can be told apart: the line (exit status 3) or the
// file.
class WatchedPort final : public SerialPort {
public:
    explicit WatchedPort(SerialPort& port) : port_(port) {}

    [[nodiscard]] bool Failed() const { return failed_; }

    void SetPortNumber(int number) override {
        Watch([&] { port_.SetPortNumber(number); });
    }
    [[nodiscard]] int PortNumber() const override { return port_.PortNumber(); }
    [[nodiscard]] std::string DeviceName(int number) const override {
        return port_.DeviceName(number);
    }
    void SetSettings(const LineSettings& settings) override {
        Watch([&] { port_.SetSettings(settings); });
    }
    void SetHandshaking(Handshake mode) override {
        Watch([&] { port_.SetHandshaking(mode); });
    }
    void SetDtrEnable(bool enable) override {
        Watch([&] { port_.SetDtrEnable(enable); });
    }
    void Open() override {
        Watch([&] { port_.Open(); });
    }
    void Close() override {
        Watch([&] { port_.Close(); });
    }
    [[nodiscard]] bool IsOpen() const override { return port_.IsOpen(); }
    [[nodiscard]] bool CtsHolding() override {
        return Watch([&] { return port_.CtsHolding(); });
    }
    void DiscardOutput() override {
        Watch([&] { port_.DiscardOutput(); });
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        Watch([&] { port_.Write(bytes); });
    }
    [[nodiscard]] std::vector<std::uint8_t> ReadAll() override {
        return Watch([&] { return port_.ReadAll(); });
    }
    [[nodiscard]] std::size_t PendingOutput() override {
        return Watch([&] { return port_.PendingOutput(); });
    }
    [[nodiscard]] std::optional<InputLines> ReadInputLines() override {
        return Watch([&] { return port_.ReadInputLines(); });
    }
    void SetRts(bool raised) override {
        Watch([&] { port_.SetRts(raised); });
    }

private:
    template <typename Operation> auto Watch(Operation operation) -> decltype(operation()) {
        try {
            return operation();
        } catch (const PortError&) {
            failed_ = true;
            throw;
        }
    }

    SerialPort& port_;
    bool failed_ = false;
};

} // namespace bitreel::cli
