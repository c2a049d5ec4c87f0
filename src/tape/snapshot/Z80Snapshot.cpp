// Reads .z80 snapshots: version 1 (48K), versions 2 and 3 (48K, 128K, +2, +2A, +3).
#include "tape/formats/ByteCursor.h"
#include "tape/snapshot/SnapshotReaders.h"
#include "tape/snapshot/Z80Runs.h"

#include <algorithm>
#include <array>
#include <string>

namespace bitreel {
namespace {

constexpr std::size_t MainHeaderSize = 30;
constexpr std::size_t Ram48Size = 3 * BankSize;
// Version 1 ends its packed 48K with this mark.
constexpr std::array<std::uint8_t, 4> EndMark = {0x00, 0xED, 0xED, 0x00};
// The page length of a page stored as it is (16 KB, not packed).
constexpr std::uint16_t StoredPage = 0xFFFF;
constexpr std::uint8_t Paged = 0xFF;

std::string PageName(unsigned page) {
    return "page " + std::to_string(page);
}

// The fields every version starts with; version 1 holds PC here too.
std::uint8_t ReadMainHeader(ByteCursor& in, Snapshot& snapshot) {
    const std::string where = "the .z80 header";
    Z80Registers& regs = snapshot.regs;
    const unsigned a = Need(in.U8(), where);
    regs.af = std::uint16_t(a << 8 | Need(in.U8(), where));
    regs.bc = Need(in.U16(), where);
    regs.hl = Need(in.U16(), where);
    regs.pc = Need(in.U16(), where);
    regs.sp = Need(in.U16(), where);
    regs.i = Need(in.U8(), where);
    const unsigned r = Need(in.U8(), where);
    std::uint8_t flags = Need(in.U8(), where);
    // Some writers of the first version stored 255 for 1.
    if (flags == 0xFF) {
        flags = 1;
    }
    regs.r = std::uint8_t((r & 0x7F) | (flags & 0x01) << 7);
    snapshot.border = (flags >> 1) & 0x07;
    regs.de = Need(in.U16(), where);
    regs.bc2 = Need(in.U16(), where);
    regs.de2 = Need(in.U16(), where);
    regs.hl2 = Need(in.U16(), where);
    const unsigned a2 = Need(in.U8(), where);
    regs.af2 = std::uint16_t(a2 << 8 | Need(in.U8(), where));
    regs.iy = Need(in.U16(), where);
    regs.ix = Need(in.U16(), where);
    regs.iff1 = Need(in.U8(), where) != 0;
    regs.iff2 = Need(in.U8(), where) != 0;
    regs.im = Need(in.U8(), where) & 0x03;
    return flags;
}

// Version 1: the 48K from 0x4000 up, packed when bit 5 of the flags says so.
void ReadVersion1Memory(ByteCursor& in, bool packed, Snapshot& snapshot) {
    std::array<std::uint8_t, Ram48Size> ram{};
    auto data = *in.Bytes(in.Left());
    if (!packed) {
        if (data.size() < ram.size()) {
            throw SnapshotFailure(SnapshotError::Cut, "its 48 KB of memory");
        }
        if (data.size() > ram.size()) {
            throw SnapshotFailure(SnapshotError::WrongSize,
                                  "a version 1 .z80 of " +
                                      std::to_string(MainHeaderSize + data.size()) +
                                      " bytes (49,182 when not packed)");
        }
        std::copy(data.begin(), data.end(), ram.begin());
    } else {
        if (data.size() >= EndMark.size() &&
            std::equal(EndMark.begin(), EndMark.end(), data.end() - EndMark.size())) {
            data = data.first(data.size() - EndMark.size());
        }
        switch (UnpackZ80Runs(data, ram)) {
        case RunsEnd::Filled:
            break;
        case RunsEnd::Short:
            throw SnapshotFailure(SnapshotError::Cut, "its packed 48 KB of memory");
        case RunsEnd::Overrun:
            throw SnapshotFailure(SnapshotError::BadPage, "its memory unpacks past 48 KB");
        }
    }
    for (std::size_t k = 0; k < Banks48K.size(); ++k) {
        std::copy_n(ram.begin() + std::ptrdiff_t(k * BankSize), BankSize,
                    snapshot.banks[Banks48K[k]].begin());
    }
}

enum class Kind { Spectrum48, Spectrum128, Plus3, Plus2, Plus2A };

// What the hardware mode of versions 2 and 3 names; they differ for 3 to 6.
Kind KindOf(unsigned mode, bool version3) {
    switch (mode) {
    case 0: // 48K
    case 1: // 48K with Interface 1
        return Kind::Spectrum48;
    case 3: // version 2: 128K; version 3: 48K with a DISCiPLE or +D
        return version3 ? Kind::Spectrum48 : Kind::Spectrum128;
    case 4: // version 2: 128K with Interface 1; version 3: 128K
        return Kind::Spectrum128;
    case 5: // 128K with Interface 1
    case 6: // 128K with a DISCiPLE or +D
        if (version3) {
            return Kind::Spectrum128;
        }
        break;
    case 7:
    case 8: // some writers' +3
        return Kind::Plus3;
    case 12:
        return Kind::Plus2;
    case 13:
        return Kind::Plus2A;
    case 2:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a SamRam snapshot");
    case 9:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Pentagon 128 snapshot");
    case 10:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Scorpion ZS-256 snapshot");
    case 11:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Didaktik Kompakt snapshot");
    case 14:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Timex TC2048 snapshot");
    case 15:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Timex TC2068 snapshot");
    case 128:
        throw SnapshotFailure(SnapshotError::OtherMachine, "a Timex TS2068 snapshot");
    default:
        break;
    }
    throw SnapshotFailure(SnapshotError::UnknownMachine, "hardware mode " + std::to_string(mode) +
                                                             " of a version " +
                                                             (version3 ? "3" : "2") + " .z80");
}

// The model, with the "modify hardware" flag: a 48K that was a 16K, a 128K
// that was a +2, a +3 that was a +2A.
SpectrumModel ModelOf(Kind kind, bool modified, Snapshot& snapshot) {
    switch (kind) {
    case Kind::Spectrum48:
        snapshot.ran16K = modified;
        return SpectrumModel::Spectrum48;
    case Kind::Spectrum128:
        return modified ? SpectrumModel::Plus2 : SpectrumModel::Spectrum128;
    case Kind::Plus3:
        return modified ? SpectrumModel::Plus2A : SpectrumModel::Plus3;
    case Kind::Plus2:
        return SpectrumModel::Plus2;
    case Kind::Plus2A:
        return SpectrumModel::Plus2A;
    }
    return SpectrumModel::Spectrum48;
}

// The bank a page number stands for on the model; no value for a ROM page
// that may be passed over (an interface's ROM, which matters only paged in).
std::optional<std::size_t> BankOfPage(unsigned page, const Snapshot& snapshot) {
    if (page == 0 || page == 2) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom,
                              "a ROM of its own (" + PageName(page) + ")");
    }
    if (page == 1 || page == 11) {
        return std::nullopt;
    }
    if (Is128K(snapshot.model)) {
        if (page >= 3 && page <= 10) {
            return page - 3;
        }
    } else if (page == 4 || page == 5 || page == 8) {
        return page == 4 ? 2 : page == 5 ? 0 : 5;
    }
    throw SnapshotFailure(SnapshotError::BadPage,
                          PageName(page) + ", which the snapshot's machine does not have");
}

void ReadPages(ByteCursor& in, Snapshot& snapshot) {
    std::array<bool, 8> seen{};
    while (!in.AtEnd()) {
        const std::string header = "a page's header";
        const std::uint16_t length = Need(in.U16(), header);
        const unsigned page = Need(in.U8(), header);
        const std::string name = PageName(page);
        const auto data = Need(in.Bytes(length == StoredPage ? BankSize : length), name);
        const auto bank = BankOfPage(page, snapshot);
        if (!bank) {
            continue;
        }
        if (seen[*bank]) {
            throw SnapshotFailure(SnapshotError::BadPage, name + " given twice");
        }
        seen[*bank] = true;
        if (length == StoredPage) {
            std::copy(data.begin(), data.end(), snapshot.banks[*bank].begin());
            continue;
        }
        switch (UnpackZ80Runs(data, snapshot.banks[*bank])) {
        case RunsEnd::Filled:
            break;
        case RunsEnd::Short:
            throw SnapshotFailure(SnapshotError::BadPage, name + " unpacks to less than 16 KB");
        case RunsEnd::Overrun:
            throw SnapshotFailure(SnapshotError::BadPage, name + " unpacks past its 16 KB");
        }
    }
    // A 16K has bank 5 alone; a 48K banks 5, 2 and 0; a 128K all eight.
    for (std::size_t bank = 0; bank < seen.size(); ++bank) {
        const bool needed = Is128K(snapshot.model) ||
                            (snapshot.ran16K ? bank == 5 : bank == 0 || bank == 2 || bank == 5);
        if (needed && !seen[bank]) {
            const unsigned page = Is128K(snapshot.model) ? unsigned(bank + 3)
                                  : bank == 5            ? 8
                                  : bank == 2            ? 4
                                                         : 5;
            throw SnapshotFailure(SnapshotError::Missing, "no " + PageName(page));
        }
    }
}

// Versions 2 and 3: a header of their own after the first 30 bytes, then
// the pages.
void ReadLaterVersion(ByteCursor& in, Snapshot& snapshot) {
    const std::string where = "the .z80 extra header";
    const std::uint16_t length = Need(in.U16(), where);
    if (length != 23 && length != 54 && length != 55) {
        throw SnapshotFailure(SnapshotError::UnknownVersion,
                              "a .z80 extra header of " + std::to_string(length) + " bytes");
    }
    ByteCursor extra(Need(in.Bytes(length), where));
    const bool version3 = length != 23;
    snapshot.regs.pc = Need(extra.U16(), where);
    const unsigned mode = Need(extra.U8(), where);
    const std::uint8_t port7ffd = Need(extra.U8(), where);
    const std::uint8_t interface1 = Need(extra.U8(), where);
    const std::uint8_t flags = Need(extra.U8(), where);
    snapshot.ayRegister = Need(extra.U8(), where) & 0x0F;
    const auto ay = Need(extra.Bytes(snapshot.ay.size()), where);
    std::copy(ay.begin(), ay.end(), snapshot.ay.begin());

    snapshot.model = ModelOf(KindOf(mode, version3), (flags & 0x80) != 0, snapshot);
    snapshot.port7ffd = port7ffd;
    if (interface1 == Paged) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom, "the Interface 1's ROM is paged in");
    }
    if (version3) {
        NeedSkip(extra, 4, where); // T-states, and a flag of one emulator's
        if (Need(extra.U8(), where) == Paged) {
            throw SnapshotFailure(SnapshotError::NotSpectrumRom,
                                  "the DISCiPLE or +D's ROM is paged in");
        }
        if (Need(extra.U8(), where) == Paged) {
            throw SnapshotFailure(SnapshotError::NotSpectrumRom, "the Multiface's ROM is paged in");
        }
        // The bytes that follow say whether 0x0000 to 0x3FFF is ROM or RAM,
        // which only the interfaces above or a SamRam change; then keyboard
        // mappings for the emulator, and the DISCiPLE's state.
        if (length == 55) {
            NeedSkip(extra, 25, where);
            snapshot.port1ffd = Need(extra.U8(), where);
        }
    }
    ReadPages(in, snapshot);
}

} // namespace

Snapshot ReadZ80Snapshot(std::span<const std::uint8_t> bytes) {
    Snapshot snapshot;
    ByteCursor in(bytes);
    const std::uint8_t flags = ReadMainHeader(in, snapshot);
    if (snapshot.regs.pc != 0) {
        ReadVersion1Memory(in, (flags & 0x20) != 0, snapshot);
    } else {
        ReadLaterVersion(in, snapshot);
    }
    return snapshot;
}

} // namespace bitreel
