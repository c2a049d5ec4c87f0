#pragma once

// A Spectrum of any model on an emulated Z80 (libz80ex), for the fast
// loader: its RAM banks and paging (0x7FFD, and 0x1FFD on the +2A/+3), the
// sound chip's registers, the border, the EAR socket's level at the
// T-state, and, when asked, the ULA's contention of memory and of the ULA
// port during the screen's lines. No ROM runs: reaching it stops the run.

#include "tape/snapshot/Snapshot.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct _z80_cpu_context;

namespace bitreel::test {

// The level at the EAR socket, asked at rising T-states of the machine.
class EarInput {
public:
    virtual ~EarInput() = default;
    [[nodiscard]] virtual bool High(std::uint64_t tstate) = 0;
};

class PagedSpectrum {
public:
    PagedSpectrum(SpectrumModel model, bool contended);
    ~PagedSpectrum();
    PagedSpectrum(const PagedSpectrum&) = delete;
    PagedSpectrum& operator=(const PagedSpectrum&) = delete;

    [[nodiscard]] SpectrumModel Model() const { return model_; }
    [[nodiscard]] std::uint32_t ClockHz() const;
    [[nodiscard]] std::uint64_t Now() const { return now_; }
    void SetEar(EarInput* ear) { ear_ = ear; }

    // Memory as the processor sees it with the paging in force, and each bank.
    [[nodiscard]] std::uint8_t Peek(std::uint16_t address) const;
    void Poke(std::uint16_t address, std::uint8_t value);
    [[nodiscard]] Bank& RamBank(std::size_t n) { return banks_[n]; }
    [[nodiscard]] const Bank& RamBank(std::size_t n) const { return banks_[n]; }

    [[nodiscard]] std::uint16_t Register(int z80exRegister) const;
    void SetRegister(int z80exRegister, std::uint16_t value);
    // The processor as a snapshot holds it; R as the next instruction would
    // find it.
    [[nodiscard]] Z80Registers Registers() const;

    // Runs until stop is true before an instruction, the processor reaches
    // the ROM (below 0x4000, unless stop accepts it first) or limit
    // T-states have passed; true when stop ended it.
    bool RunUntil(const std::function<bool(const PagedSpectrum&)>& stop, std::uint64_t limit);
    [[nodiscard]] std::uint16_t Pc() const;
    // Where the run went into the ROM, when it did.
    [[nodiscard]] int RomReachedAt() const { return romAt_; }

    // What the ports were last set to.
    [[nodiscard]] std::uint8_t Port7ffd() const { return port7ffd_; }
    [[nodiscard]] std::uint8_t Port1ffd() const { return port1ffd_; }
    [[nodiscard]] bool PagingLocked() const { return (port7ffd_ & 0x20) != 0; }
    [[nodiscard]] const std::array<std::uint8_t, 16>& Ay() const { return ay_; }
    [[nodiscard]] std::uint8_t AySelected() const { return aySelected_; }
    [[nodiscard]] std::uint8_t Border() const { return border_; }
    // Every change of the border's colour since the last call, and when.
    struct BorderChange {
        std::uint64_t tstate;
        std::uint8_t colour;
    };
    std::vector<BorderChange> TakeBorderChanges() { return std::move(borderChanges_); }

    // The emulator's callbacks.
    std::uint8_t ReadMemory(std::uint16_t address);
    void WriteMemory(std::uint16_t address, std::uint8_t value);
    std::uint8_t ReadPort(std::uint16_t port);
    void WritePort(std::uint16_t port, std::uint8_t value);

private:
    [[nodiscard]] std::size_t BankAt(std::uint16_t address) const;
    [[nodiscard]] bool ContendedAddress(std::uint16_t address) const;
    [[nodiscard]] unsigned ContentionDelay(std::uint64_t tstate) const;
    void Contend(std::uint64_t tstate);
    [[nodiscard]] std::uint64_t CallbackTime() const;

    SpectrumModel model_;
    bool contended_;
    std::unique_ptr<_z80_cpu_context, void (*)(_z80_cpu_context*)> cpu_;
    std::array<Bank, 8> banks_{};
    std::uint64_t now_ = 0;
    std::uint64_t waits_ = 0; // contention added to the instruction in hand
    EarInput* ear_ = nullptr;
    std::uint8_t port7ffd_ = 0;
    std::uint8_t port1ffd_ = 0;
    std::array<std::uint8_t, 16> ay_{};
    std::uint8_t aySelected_ = 0;
    std::uint8_t border_ = 7;
    std::vector<BorderChange> borderChanges_;
    int romAt_ = -1;
};

} // namespace bitreel::test
