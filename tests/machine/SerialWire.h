#pragma once

// The RS-232 cable at the bit level, between the emulated machine's socket
// and the PC's port (the port layer's simulated line): a byte the PC sends
// is a start bit, 8 data bits and a stop bit at the PC's baud rate from the
// moment the line lets it go; what the machine sends is read back by a
// receiver like the PC's UART, sampling each bit in its middle.
//
// The PC's adapter keeps sending for a few bytes after CTS drops: up to
// lateBytes of those waiting go out before the adapter stops.

#include "machine/EmulatedSpectrum.h"
#include "support/SimulatedLine.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace bitreel::test {

class SerialWire final : public SocketPins {
public:
    SerialWire(SimulatedLine& line, std::uint32_t clockHz, int pcBaud, std::size_t lateBytes);

    [[nodiscard]] bool TxdMark(std::uint64_t t) override;
    [[nodiscard]] bool DtrReady(std::uint64_t t) override;
    void SetCts(std::uint64_t t, bool ready) override;
    void SetRxd(std::uint64_t t, bool mark) override;
    void Sync(std::uint64_t t) override;

    // Noise on the line: the byte'th byte the PC sends arrives with these bits flipped.
    void Corrupt(std::size_t byte, std::uint8_t bits) {
        corruptByte_ = byte;
        corruptBits_ = bits;
    }
    // When the PC's port let each byte go, in the machine's T-states.
    [[nodiscard]] std::uint64_t StartOf(std::size_t byte) const { return starts_.at(byte); }
    // Bytes whose stop bit the PC's receiver read as a space.
    [[nodiscard]] std::size_t FramingErrors() const { return framingErrors_; }
    // The receiver is between bytes.
    [[nodiscard]] bool ReceiverIdle() const { return !inByte_; }

private:
    [[nodiscard]] SimulatedLine::Duration Nanoseconds(std::uint64_t t) const;
    void AdvanceLine(std::uint64_t t);
    void Receive(std::uint64_t t);
    [[nodiscard]] bool RxdAt(std::uint64_t t) const;

    SimulatedLine& line_;
    std::uint64_t clockHz_;
    std::uint64_t baud_;
    std::size_t lateBytes_;
    std::uint64_t synced_ = 0;

    // Towards the machine: each byte's start and value, and the one on the wire.
    std::vector<std::uint64_t> starts_;
    std::size_t current_ = 0;
    std::size_t corruptByte_ = static_cast<std::size_t>(-1);
    std::uint8_t corruptBits_ = 0;
    // CTS dropped: the line stops once it has let this many bytes go.
    bool holding_ = false;
    std::size_t holdUntil_ = 0;

    // From the machine: its RXD's changes, and the receiver's place in them.
    std::vector<std::pair<std::uint64_t, bool>> changes_{{0, true}};
    std::size_t scan_ = 0;
    bool inByte_ = false;
    std::uint64_t byteStart_ = 0;
    int bit_ = 0;
    std::uint8_t byte_ = 0;
    std::size_t framingErrors_ = 0;
};

} // namespace bitreel::test
