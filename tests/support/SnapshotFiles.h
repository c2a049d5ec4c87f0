#pragma once

// The test snapshots (../shared/snapshots) read into Snapshot values, as
// much of .sna and .z80 as those files use, for the fast loader's tests
// until the image model reads snapshots itself.

#include "tape/snapshot/Snapshot.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel::test {

inline const std::filesystem::path SnapshotDir = BITREEL_SNAPSHOT_DIR;

namespace snapshot_files {

inline std::uint16_t Word(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

inline void Sna(const std::vector<std::uint8_t>& b, Snapshot& s) {
    Z80Registers& r = s.regs;
    r.i = b.at(0);
    r.hl2 = Word(b, 1);
    r.de2 = Word(b, 3);
    r.bc2 = Word(b, 5);
    r.af2 = Word(b, 7);
    r.hl = Word(b, 9);
    r.de = Word(b, 11);
    r.bc = Word(b, 13);
    r.iy = Word(b, 15);
    r.ix = Word(b, 17);
    r.iff1 = r.iff2 = (b.at(19) & 4) != 0;
    r.r = b.at(20);
    r.af = Word(b, 21);
    r.sp = Word(b, 23);
    r.im = b.at(25) & 3;
    s.border = b.at(26) & 7;
    const bool is128 = b.size() > 49179;
    s.model = is128 ? SpectrumModel::Spectrum128 : SpectrumModel::Spectrum48;
    std::size_t at = 27;
    auto bank = [&](std::size_t n) {
        std::copy(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + BankSize),
                  s.banks[n].begin());
        at += BankSize;
    };
    if (!is128) {
        for (const std::size_t n : Banks48K) {
            bank(n);
        }
        r.pc = static_cast<std::uint16_t>(s.At(r.sp) | s.At(static_cast<std::uint16_t>(r.sp + 1))
                                                           << 8);
        r.sp = static_cast<std::uint16_t>(r.sp + 2);
        return;
    }
    const std::size_t paged = b.at(27 + 3 * BankSize + 2) & 7;
    bank(5);
    bank(2);
    bank(paged);
    r.pc = Word(b, at);
    s.port7ffd = b.at(at + 2);
    at += 4;
    for (std::size_t n = 0; n < 8; ++n) {
        if (n != 5 && n != 2 && n != paged) {
            bank(n);
        }
    }
}

// The ED ED run encoding of .z80 pages.
inline std::vector<std::uint8_t> Z80Runs(const std::vector<std::uint8_t>& b, std::size_t from,
                                         std::size_t to, std::size_t size) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = from; i < to && out.size() < size;) {
        if (i + 3 < to && b[i] == 0xED && b[i + 1] == 0xED) {
            out.insert(out.end(), b[i + 2], b[i + 3]);
            i += 4;
        } else {
            out.push_back(b[i++]);
        }
    }
    out.resize(size);
    return out;
}

inline void Z80(const std::vector<std::uint8_t>& b, Snapshot& s) {
    Z80Registers& r = s.regs;
    r.af = static_cast<std::uint16_t>(b.at(0) << 8 | b.at(1));
    r.bc = Word(b, 2);
    r.hl = Word(b, 4);
    r.pc = Word(b, 6);
    r.sp = Word(b, 8);
    r.i = b.at(10);
    const std::uint8_t flags = b.at(12) == 255 ? 1 : b.at(12);
    r.r = static_cast<std::uint8_t>((b.at(11) & 0x7F) | (flags & 1) << 7);
    s.border = (flags >> 1) & 7;
    r.de = Word(b, 13);
    r.bc2 = Word(b, 15);
    r.de2 = Word(b, 17);
    r.hl2 = Word(b, 19);
    r.af2 = static_cast<std::uint16_t>(b.at(21) << 8 | b.at(22));
    r.iy = Word(b, 23);
    r.ix = Word(b, 25);
    r.iff1 = b.at(27) != 0;
    r.iff2 = b.at(28) != 0;
    r.im = b.at(29) & 3;
    if (r.pc != 0) {
        const auto ram = (flags & 0x20) ? Z80Runs(b, 30, b.size(), 3 * BankSize)
                                        : std::vector<std::uint8_t>(b.begin() + 30, b.end());
        for (std::size_t i = 0; i < 3; ++i) {
            std::copy(ram.begin() + static_cast<long>(i * BankSize),
                      ram.begin() + static_cast<long>((i + 1) * BankSize),
                      s.banks[Banks48K[i]].begin());
        }
        return;
    }
    const std::size_t extra = Word(b, 30);
    r.pc = Word(b, 32);
    const std::uint8_t hardware = b.at(34);
    const bool v2 = extra == 23;
    const bool is128 = v2 ? hardware >= 3 : (hardware >= 4 && hardware != 9 && hardware != 10);
    s.model = !is128           ? SpectrumModel::Spectrum48
              : hardware == 7  ? SpectrumModel::Plus3
              : hardware == 12 ? SpectrumModel::Plus2
              : hardware == 13 ? SpectrumModel::Plus2A
                               : SpectrumModel::Spectrum128;
    s.port7ffd = b.at(35);
    s.ayRegister = b.at(38);
    std::copy(b.begin() + 39, b.begin() + 55, s.ay.begin());
    if (extra == 55) {
        s.port1ffd = b.at(86);
    }
    for (std::size_t at = 32 + extra; at + 3 <= b.size();) {
        const std::size_t length = Word(b, at);
        const std::size_t page = b.at(at + 2);
        at += 3;
        const std::size_t stored = length == 0xFFFF ? BankSize : length;
        const auto bytes =
            length == 0xFFFF
                ? std::vector<std::uint8_t>(b.begin() + static_cast<long>(at),
                                            b.begin() + static_cast<long>(at + BankSize))
                : Z80Runs(b, at, at + length, BankSize);
        at += stored;
        std::optional<std::size_t> bank;
        if (is128 && page >= 3 && page <= 10) {
            bank = page - 3;
        } else if (!is128) {
            bank = page == 4 ? 2 : page == 5 ? 0 : page == 8 ? 5 : std::optional<std::size_t>{};
        }
        if (bank) {
            std::copy(bytes.begin(), bytes.end(), s.banks[*bank].begin());
        }
    }
}

} // namespace snapshot_files

// One of the test snapshots by its file name.
inline Snapshot ReadSnapshot(const std::string& name) {
    std::ifstream in(SnapshotDir / name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty()) {
        throw std::runtime_error("no snapshot " + name);
    }
    Snapshot snapshot;
    if (name.ends_with(".sna")) {
        snapshot_files::Sna(bytes, snapshot);
    } else {
        snapshot_files::Z80(bytes, snapshot);
    }
    return snapshot;
}

} // namespace bitreel::test
