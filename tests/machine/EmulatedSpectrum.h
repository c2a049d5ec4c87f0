#pragma once

// A Spectrum on an emulated Z80 (libz80ex), timed to the T-state: 64 KB of
// memory over a stand-in ROM, the 50 Hz interrupt, the SPACE key, and the
// RS-232 socket of a Spectrum 128 (port A of the sound chip) or of
// Interface 1. The emulation's T-states are the clock of the whole test:
// the serial line is brought up to them at every port access.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

struct _z80_cpu_context;

namespace bitreel::test {

enum class Board { Spectrum128, Interface1 };

// The socket's lines as the far end drives and sees them, at T-state t.
class SocketPins {
public:
    virtual ~SocketPins() = default;
    [[nodiscard]] virtual bool TxdMark(std::uint64_t t) = 0; // towards the machine
    [[nodiscard]] virtual bool DtrReady(std::uint64_t t) = 0;
    virtual void SetCts(std::uint64_t t, bool ready) = 0;
    virtual void SetRxd(std::uint64_t t, bool mark) = 0; // from the machine
    virtual void Sync(std::uint64_t t) = 0;              // time has come this far
};

class EmulatedSpectrum {
public:
    // Where BASIC's USR call returns (STACK-BC) and where a report goes
    // (MAIN-4, the address ERR_SP's word holds), as in the 48K ROM.
    static constexpr std::uint16_t UsrReturn = 0x2D2B;
    static constexpr std::uint16_t ReportReturn = 0x1303;
    static constexpr std::uint16_t ErrNr = 23610;
    static constexpr std::uint16_t KeptHl = 0x2758; // H'L' as BASIC leaves it

    EmulatedSpectrum(Board board, SocketPins& pins);
    ~EmulatedSpectrum();
    EmulatedSpectrum(const EmulatedSpectrum&) = delete;
    EmulatedSpectrum& operator=(const EmulatedSpectrum&) = delete;

    [[nodiscard]] Board BoardType() const { return board_; }
    [[nodiscard]] std::uint32_t ClockHz() const;
    [[nodiscard]] std::uint64_t Now() const { return now_; }
    std::array<std::uint8_t, 65536>& Memory() { return memory_; }
    [[nodiscard]] const std::array<std::uint8_t, 65536>& Memory() const { return memory_; }
    [[nodiscard]] std::uint16_t Word(std::uint16_t address) const;
    void SetWord(std::uint16_t address, std::uint16_t value);
    void HoldSpace(bool held) { space_ = held; }

    // A call as USR makes it from BASIC, interrupts enabled: SP at stack,
    // the return to UsrReturn on it, and ERR_SP (23613) pointing at a word
    // that holds ReportReturn above it.
    struct Registers {
        std::uint8_t a = 0;
        std::uint16_t de = 0;
        std::uint16_t ix = 0;
        bool carry = true;
    };
    void Call(std::uint16_t address, std::uint16_t stack, const Registers& registers);

    enum class State { Running, Returned, Reported, Fault };
    // Runs for up to this many T-states, or until the call ends.
    State RunFor(std::uint64_t tstates);
    // Time passes after the call has ended, as BASIC runs on.
    void Idle(std::uint64_t tstates);
    [[nodiscard]] State Current() const { return state_; }
    [[nodiscard]] bool Ended() const { return state_ != State::Running; }

    // After the call: registers and flags as it left them.
    [[nodiscard]] std::uint16_t Register(int z80exRegister) const;
    [[nodiscard]] bool Carry() const;
    [[nodiscard]] std::uint8_t A() const;
    [[nodiscard]] bool InterruptsEnabled() const;
    // What the program did that no routine of its kind may: the first fault
    // (ran the ROM, paged memory, wrote a port it should not, set a bit of
    // a port wrongly), empty when none.
    [[nodiscard]] const std::string& Fault() const { return fault_; }

    // The emulator's callbacks.
    std::uint8_t ReadMemory(std::uint16_t address) const { return memory_[address]; }
    void WriteMemory(std::uint16_t address, std::uint8_t value);
    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);

private:
    void Step();
    void Fail(std::string what);
    [[nodiscard]] std::uint64_t PortTime() const;
    void UpdateOutputs(std::uint64_t t);

    Board board_;
    SocketPins& pins_;
    std::unique_ptr<_z80_cpu_context, void (*)(_z80_cpu_context*)> cpu_;
    std::array<std::uint8_t, 65536> memory_{};
    std::uint64_t now_ = 0;
    std::uint64_t nextInterrupt_ = 0;
    State state_ = State::Returned;
    std::string fault_;
    bool space_ = false;
    // Spectrum 128: the sound chip's registers and the one selected.
    std::array<std::uint8_t, 16> ay_{};
    std::uint8_t aySelected_ = 0;
    // Interface 1: what was last written to its control and data ports.
    std::uint8_t if1Control_ = 0xEE;
    std::uint8_t if1Data_ = 0;
    bool cts_ = false;
    bool rxdMark_ = true;
};

} // namespace bitreel::test
