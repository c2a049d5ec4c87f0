#pragma once

// A port that passes every operation on to another one, notes the calls
// that change something, and can make chosen calls fail.

#include "serial/SerialPort.h"

#include <map>
#include <string>
#include <vector>

namespace bitreel::test {

class SpyPort final : public SerialPort {
public:
    explicit SpyPort(SerialPort& inner) : inner_(inner) {}

    // Calls noted so far, such as "SetPortNumber 3", "Open", "Close".
    std::vector<std::string> log;

    // The next `times` calls of the operation throw without reaching the port.
    void FailNext(const std::string& operation, int times = 1) { failures_[operation] = times; }

    void SetPortNumber(int number) override {
        Note("SetPortNumber", " " + std::to_string(number));
        inner_.SetPortNumber(number);
    }
    [[nodiscard]] int PortNumber() const override { return inner_.PortNumber(); }
    [[nodiscard]] std::string DeviceName(int number) const override {
        return inner_.DeviceName(number);
    }
    void SetSettings(const LineSettings& settings) override {
        Note("SetSettings", " " + LineSettingsText(settings));
        inner_.SetSettings(settings);
    }
    void SetHandshaking(Handshake mode) override {
        Note("SetHandshaking", " " + std::to_string(static_cast<int>(mode)));
        inner_.SetHandshaking(mode);
    }
    void SetDtrEnable(bool enable) override {
        Note("SetDtrEnable", enable ? " true" : " false");
        inner_.SetDtrEnable(enable);
    }
    void Open() override {
        Note("Open");
        inner_.Open();
    }
    void Close() override {
        Note("Close");
        inner_.Close();
    }
    [[nodiscard]] bool IsOpen() const override { return inner_.IsOpen(); }
    [[nodiscard]] bool CtsHolding() override {
        Note("CtsHolding");
        return inner_.CtsHolding();
    }
    void DiscardOutput() override {
        Note("DiscardOutput");
        inner_.DiscardOutput();
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        Note("Write");
        inner_.Write(bytes);
    }
    [[nodiscard]] std::vector<std::uint8_t> ReadAll() override {
        Note("ReadAll");
        return inner_.ReadAll();
    }
    [[nodiscard]] std::size_t PendingOutput() override {
        Note("PendingOutput");
        return inner_.PendingOutput();
    }
    [[nodiscard]] std::optional<InputLines> ReadInputLines() override {
        Note("ReadInputLines");
        return inner_.ReadInputLines();
    }
    void SetRts(bool raised) override {
        Note("SetRts", raised ? " true" : " false");
        inner_.SetRts(raised);
    }

private:
    void Note(const std::string& operation, const std::string& argument = {}) {
        log.push_back(operation + argument);
        auto it = failures_.find(operation);
        if (it != failures_.end() && it->second > 0) {
            --it->second;
            throw PortError("injected failure of " + operation);
        }
    }

    SerialPort& inner_;
    std::map<std::string, int> failures_;
};

} // namespace bitreel::test
