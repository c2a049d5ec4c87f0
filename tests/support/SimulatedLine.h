#pragma once

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bitreel::test {

// The port operations, for counting calls and for failing at one of them.
enum class PortOp {
    SetPortNumber,
    SetSettings,
    SetHandshaking,
    SetDtrEnable,
    Open,
    Close,
    CtsHolding,
    DiscardOutput,
    Write,
    ReadAll,
    PendingOutput,
    ReadInputLines,
    SetRts,
    Any,
};

// One stretch of a CTS script: the level that this many CtsHolding reads
// return. The last span holds for ever.
struct CtsSpan {
    bool asserted = true;
    int reads = 1;
};

// How the far end sends bytes towards the program. By default they are
// there at once. With chunks, every ReadAll takes in the next chunk, of the
// next size in the list (the last size repeats; a size of 0 is a read that
// finds nothing). With whileDtr, bytes arrive only at reads made while DTR is
// raised.
struct SendPlan {
    std::vector<std::size_t> chunks;
    bool whileDtr = false;
};

// A loopback plug in place of the machine, and its faults: what it joins,
// and the bytes it loses or changes on the way back.
struct LoopbackPlug {
    bool txToRx = true;
    bool rtsToCts = true;
    bool dtrToDsr = true;
    bool dtrToDcd = true;
    // Every nth byte sent does not come back (0: none).
    std::size_t loseEvery = 0;
    // Every nth byte sent comes back with its bits inverted (0: none).
    std::size_t changeEvery = 0;
};

// A serial port whose far end behaves like the machine's interface: it
// drives CTS, sees DTR, takes the bytes the program writes and splits them
// into frames (2-byte little-endian length, then the body), and sends bytes
// or frames back.
//
// Written bytes wait in an output queue on the program's side, which drains
// towards the far end only while CTS is asserted (with RTS/CTS handshaking;
// without it, always). Without pacing the queue drains at once; with pacing
// one byte leaves per byte time of the line settings (about 1.042 ms at
// 9600 8N1), on a simulated clock that the test moves with Advance or with a
// fixed time per operation, or on the real clock for benchmarks.
//
// Every port operation first brings the line up to the clock's present.
// Like the system port, handshaking starts as none and DTR as not enabled;
// port numbers 1 to 16 are accepted, all reaching this one line.
class SimulatedLine final : public SerialPort {
public:
    using Duration = std::chrono::nanoseconds;

    SimulatedLine();

    // The port layer.
    void SetPortNumber(int number) override;
    [[nodiscard]] int PortNumber() const override { return number_; }
    [[nodiscard]] std::string DeviceName(int number) const override;
    void SetSettings(const LineSettings& settings) override;
    void SetHandshaking(Handshake mode) override;
    void SetDtrEnable(bool enable) override;
    void Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override { return open_; }
    [[nodiscard]] bool CtsHolding() override;
    void DiscardOutput() override;
    void Write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] std::vector<std::uint8_t> ReadAll() override;
    [[nodiscard]] std::size_t PendingOutput() override;
    [[nodiscard]] std::optional<InputLines> ReadInputLines() override;
    void SetRts(bool raised) override;

    // A loopback plug instead of the machine: what reaches the far end comes
    // back, and CTS, DSR and DCD follow the output lines joined to them.
    // RTS is raised at every open, as Linux raises it.
    void FitLoopbackPlug(LoopbackPlug plug);
    // Faults of the driver: it sends while CTS is low under RTS/CTS
    // handshaking; it raises RTS itself whenever that handshaking is on; it
    // reads CTS as always asserted.
    void SetIgnoresHandshake(bool ignores) { ignoresHandshake_ = ignores; }
    void SetDrivesRtsItself(bool drives);
    void SetCtsAlwaysAsserted(bool always);
    // A device without modem-control lines: none can be read.
    void SetModemLines(bool present) { modemLines_ = present; }
    [[nodiscard]] bool Rts() const;

    // CTS, as the far end drives it.
    void SetCts(bool asserted);
    void ScriptCts(std::vector<CtsSpan> spans);
    // CTS asserted while the machine's receive buffer holds fewer than
    // capacity bytes. The machine takes one byte from it per takeTime; with a
    // takeTime of zero only MachineTake empties it.
    void SetCtsWhileRoom(std::size_t capacity, Duration takeTime = Duration::zero());
    void MachineTake(std::size_t count);
    [[nodiscard]] bool CtsAsserted() const;
    [[nodiscard]] std::size_t MachineBuffered() const { return machineBuffered_; }

    // DTR, as the far end sees it: raised while the port is open with DTR
    // enabled.
    [[nodiscard]] bool Dtr() const { return open_ && dtrEnable_; }
    [[nodiscard]] int DtrRaises() const { return dtrRaises_; }

    // What the program wrote: every byte given to Write (discarded ones too),
    // and what reached the far end.
    [[nodiscard]] const std::vector<std::uint8_t>& Written() const { return written_; }
    [[nodiscard]] const std::vector<std::uint8_t>& Received() const { return received_; }
    // When each received byte left the program's side: its start on the wire.
    [[nodiscard]] const std::vector<Duration>& ReceivedAt() const { return receivedAt_; }
    // The complete frames received, each with its length bytes.
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Frames() const;
    // The bytes received after the last complete frame.
    [[nodiscard]] std::vector<std::uint8_t> PartialFrame() const;
    // Bytes in the output queue, not yet at the far end.
    [[nodiscard]] std::size_t Queued() const { return queue_.size(); }

    // Towards the program. Bytes sent while the port is closed wait for it;
    // closing drops what arrived and was not read.
    void Send(std::span<const std::uint8_t> bytes, SendPlan plan = {});
    // Sends the body with its 2-byte little-endian length in front.
    void SendFrame(std::span<const std::uint8_t> body, SendPlan plan = {});
    // Bytes the far end still holds back.
    [[nodiscard]] std::size_t Unsent() const;

    // Failures. The device vanishes (an adapter pulled out): the port is
    // closed, the queues are lost, and opening fails until it reappears.
    void Vanish();
    void Reappear() { vanished_ = false; }
    // The nth call (counting from 1, from now) of op, or of any operation,
    // throws and makes the device vanish.
    void VanishAt(PortOp op, int nth);
    // Another holder has the port: opening fails.
    void SetInUse(bool inUse) { inUse_ = inUse; }
    [[nodiscard]] int Calls(PortOp op) const { return calls_[static_cast<std::size_t>(op)]; }

    // Time.
    void SetPaced(bool paced);
    [[nodiscard]] Duration ByteTime() const { return settings_.ByteTime(); }
    // Every port operation moves the simulated clock on by this much first.
    void SetTimePerOperation(Duration time) { timePerOperation_ = time; }
    void Advance(Duration time);
    // Benchmarks: the clock is the system's steady clock from now on.
    void UseRealTime();
    [[nodiscard]] Duration Now() const;

private:
    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        SendPlan plan;
        std::size_t chunk = 0;
    };

    void Operation(PortOp op);
    void RequireOpen() const;
    void Update();
    [[nodiscard]] bool CanTransmit() const;
    void Deliver(std::size_t count, Duration at);

    int number_ = 1;
    LineSettings settings_;
    Handshake handshaking_ = Handshake::None;
    bool dtrEnable_ = false;
    bool open_ = false;
    bool vanished_ = false;
    bool inUse_ = false;
    int dtrRaises_ = 0;
    bool rts_ = true;
    bool drivesRts_ = false;
    bool ignoresHandshake_ = false;
    bool ctsAlways_ = false;
    bool modemLines_ = true;
    std::optional<LoopbackPlug> plug_;
    std::size_t looped_ = 0; // bytes the plug has carried back, lost ones too

    enum class CtsMode { Fixed, Script, WhileRoom };
    CtsMode ctsMode_ = CtsMode::Fixed;
    bool ctsFixed_ = true;
    std::vector<CtsSpan> ctsScript_;
    long long ctsReads_ = 0;
    bool ctsLastRead_ = true;
    std::size_t machineCapacity_ = 0;
    Duration machineTakeTime_{};
    std::size_t machineBuffered_ = 0;

    std::deque<std::uint8_t> queue_;
    std::vector<std::uint8_t> written_;
    std::vector<std::uint8_t> received_;
    std::vector<Duration> receivedAt_;
    std::deque<Outgoing> outgoing_;
    std::vector<std::uint8_t> inbox_;

    PortOp failOp_ = PortOp::Any;
    int failCountdown_ = 0;
    std::array<int, static_cast<std::size_t>(PortOp::Any) + 1> calls_{};

    bool paced_ = false;
    bool realTime_ = false;
    std::chrono::steady_clock::time_point realStart_;
    Duration simulatedNow_{};
    Duration timePerOperation_{};
    // When the transmitter is free for the next byte, and when the machine
    // takes its next byte.
    Duration lineFree_{};
    Duration machineFree_{};
};

} // namespace bitreel::test
