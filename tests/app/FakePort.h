#pragma once

// A serial port for the window's tests: a set of port numbers that open, and
// a log of what the window did to the port.

#include "serial/SerialPort.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace bitreel::test {

struct FakeLine {
    std::set<int> present;                  // numbers whose port opens
    std::map<int, int> opensLeft;           // numbers that open only this many more times
    std::vector<std::string> log;           // "settings 9600,n,8,1", "open 3", "close 3", ...
    bool failClose = false;                 // Close throws (after closing)
    std::map<int, std::string> denied = {}; // numbers this user may not open: group to join
};

class FakePort final : public SerialPort {
public:
    explicit FakePort(FakeLine& line) : line_(line) {}

    void SetPortNumber(int number) override {
        if (open_) {
            throw PortError("number changed while open");
        }
        number_ = number;
    }
    [[nodiscard]] int PortNumber() const override { return number_; }
    [[nodiscard]] std::string DeviceName(int number) const override {
        return "/dev/fake" + std::to_string(number);
    }
    void SetSettings(const LineSettings& settings) override {
        line_.log.push_back("settings " + LineSettingsText(settings));
    }
    void SetHandshaking(Handshake mode) override {
        line_.log.push_back("handshaking " + std::to_string(static_cast<int>(mode)));
    }
    void SetDtrEnable(bool enable) override {
        line_.log.push_back(std::string("dtr ") + (enable ? "on" : "off"));
    }
    void Open() override {
        if (auto refused = line_.denied.find(number_); refused != line_.denied.end()) {
            throw PortPermissionError(DeviceName(number_), refused->second);
        }
        if (open_ || !line_.present.contains(number_)) {
            throw PortError("cannot open");
        }
        if (auto left = line_.opensLeft.find(number_); left != line_.opensLeft.end()) {
            if (left->second == 0) {
                throw PortError("taken meanwhile");
            }
            --left->second;
        }
        open_ = true;
        line_.log.push_back("open " + std::to_string(number_));
    }
    void Close() override {
        line_.log.push_back("close " + std::to_string(number_));
        open_ = false;
        if (line_.failClose) {
            throw PortError("close failed");
        }
    }
    [[nodiscard]] bool IsOpen() const override { return open_; }

    // The window itself never moves bytes.
    [[nodiscard]] bool CtsHolding() override { throw PortError("not used by the window"); }
    void DiscardOutput() override { throw PortError("not used by the window"); }
    void Write(std::span<const std::uint8_t>) override {
        throw PortError("not used by the window");
    }
    [[nodiscard]] std::vector<std::uint8_t> ReadAll() override {
        throw PortError("not used by the window");
    }
    [[nodiscard]] std::size_t PendingOutput() override { return 0; }
    [[nodiscard]] std::optional<InputLines> ReadInputLines() override {
        throw PortError("not used by the window");
    }
    void SetRts(bool) override { throw PortError("not used by the window"); }

private:
    FakeLine& line_;
    int number_ = 1;
    bool open_ = false;
};

} // namespace bitreel::test
