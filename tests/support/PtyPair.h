#pragma once

// A pseudo-terminal pair: the program opens the device by its name, the test
// plays the far end on the master side. A pseudo-terminal has no modem lines.

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel::test {

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        name_ = name;
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    // The slave side is held open till the end so that the device's number
    // is not given to another pair while a port may still hold its lock.
    ~PtyPair() {
        CloseMaster();
        ::close(slave_);
    }

    [[nodiscard]] const std::string& Name() const { return name_; }

    // The device goes away, as an adapter pulled out: the open port is hung
    // up and the device name disappears.
    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    void Send(std::span<const std::uint8_t> bytes) {
        if (::write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            throw std::runtime_error("writing to the pty master failed");
        }
    }

    // Waits until the program has read every byte sent to it; false when
    // the deadline passed first.
    bool WaitUntilTaken(std::chrono::milliseconds deadline = std::chrono::seconds(5)) {
        const auto end = std::chrono::steady_clock::now() + deadline;
        for (;;) {
            int waiting = 0;
            if (::ioctl(slave_, FIONREAD, &waiting) != 0) {
                return false;
            }
            if (waiting == 0) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= end) {
                return false;
            }
            ::usleep(1000);
        }
    }

    // Reads until count bytes have come or the deadline passed.
    std::vector<std::uint8_t>
    Receive(std::size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(5)) {
        std::vector<std::uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 10) == 1 && (entry.revents & POLLIN) != 0) {
                std::uint8_t buffer[4096];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                got.insert(got.end(), buffer, buffer + n);
            }
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string name_;
};

} // namespace bitreel::test
