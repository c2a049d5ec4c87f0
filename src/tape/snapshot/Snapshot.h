#pragma once

// A program's machine state as a snapshot file holds it: the model it ran
// on, the processor's registers, the border, the paging latches, the sound
// chip and every RAM bank. Each snapshot format's reader fills one of these;
// nothing after the reader knows which format it was.

#include <array>
#include <cstddef>
#include <cstdint>

namespace bitreel {

// The Spectrum models Bitreel restores a program on.
enum class SpectrumModel : std::uint8_t { Spectrum48, Spectrum128, Plus2, Plus2A, Plus3 };

[[nodiscard]] constexpr bool Is128K(SpectrumModel model) noexcept {
    return model != SpectrumModel::Spectrum48;
}
// The +2A and +3: the second paging port (0x1FFD) and their own contention.
[[nodiscard]] constexpr bool HasPort1ffd(SpectrumModel model) noexcept {
    return model == SpectrumModel::Plus2A || model == SpectrumModel::Plus3;
}

// "48K", "128K", "+2", "+2A", "+3".
[[nodiscard]] constexpr const char* ModelName(SpectrumModel model) noexcept {
    switch (model) {
    case SpectrumModel::Spectrum48:
        return "48K";
    case SpectrumModel::Spectrum128:
        return "128K";
    case SpectrumModel::Plus2:
        return "+2";
    case SpectrumModel::Plus2A:
        return "+2A";
    case SpectrumModel::Plus3:
        return "+3";
    }
    return "";
}

struct Z80Registers {
    std::uint16_t af = 0;
    std::uint16_t bc = 0;
    std::uint16_t de = 0;
    std::uint16_t hl = 0;
    // The alternate set.
    std::uint16_t af2 = 0;
    std::uint16_t bc2 = 0;
    std::uint16_t de2 = 0;
    std::uint16_t hl2 = 0;
    std::uint16_t ix = 0;
    std::uint16_t iy = 0;
    // Where the program resumes: a format that keeps PC on the stack (.sna
    // 48K) is read with it popped, so SP is the program's own.
    std::uint16_t sp = 0;
    std::uint16_t pc = 0;
    std::uint8_t i = 0;
    std::uint8_t r = 0;  // all eight bits
    std::uint8_t im = 0; // 0, 1 or 2
    bool iff1 = false;
    bool iff2 = false;

    friend bool operator==(const Z80Registers&, const Z80Registers&) = default;
};

inline constexpr std::size_t BankSize = 16 * 1024;
using Bank = std::array<std::uint8_t, BankSize>;

// The banks of a 48K in the 128's numbering: 5 at 0x4000, 2 at 0x8000 and
// 0 at 0xC000, as a 128 with 0x7FFD at 0 maps them.
inline constexpr std::array<std::size_t, 3> Banks48K = {5, 2, 0};

struct Snapshot {
    SpectrumModel model = SpectrumModel::Spectrum48;
    // The program ran on a 16K Spectrum: it is restored on a 48K, and only
    // bank 5 (0x4000 to 0x7FFF) holds its memory; banks 2 and 0 are RAM it
    // never had, which a restore need not load.
    bool ran16K = false;
    Z80Registers regs;
    std::uint8_t border = 0; // 0 to 7
    // The last values written to the paging ports (128K models; 0x1FFD on
    // the +2A and +3 only).
    std::uint8_t port7ffd = 0;
    std::uint8_t port1ffd = 0;
    // The sound chip's registers, and the one last selected (128K models).
    std::array<std::uint8_t, 16> ay{};
    std::uint8_t ayRegister = 0;
    // Every RAM bank by the 128's numbering; a 48K uses Banks48K only and
    // leaves the others zero.
    std::array<Bank, 8> banks{};

    // The byte the program sees at address (0x4000 to 0xFFFF) with the
    // paging the snapshot holds.
    [[nodiscard]] std::uint8_t At(std::uint16_t address) const noexcept {
        return banks[BankAt(address)][address % BankSize];
    }
    // The bank mapped at address (0x4000 to 0xFFFF).
    [[nodiscard]] std::size_t BankAt(std::uint16_t address) const noexcept {
        switch (address / BankSize) {
        case 1:
            return 5;
        case 2:
            return 2;
        default:
            return Is128K(model) ? std::size_t{port7ffd & 7u} : std::size_t{0};
        }
    }
};

} // namespace bitreel
