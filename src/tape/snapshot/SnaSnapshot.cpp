// Reads .sna snapshots: 48K (49,179 bytes) and 128K (131,103 or 147,487 bytes).
#include "tape/HexText.h"
#include "tape/snapshot/SnapshotReaders.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace bitreel {
namespace {

constexpr std::size_t HeaderSize = 27;
constexpr std::size_t Size48 = HeaderSize + 3 * BankSize;
// After the 48K's image: PC, 0x7FFD and the TR-DOS ROM's paging, then the
// banks not yet given, five of them, or six when the bank at 0xC000 was 2
// or 5 and so given twice.
constexpr std::size_t Extra128 = 4;
constexpr std::size_t Size128 = Size48 + Extra128 + 5 * BankSize;
constexpr std::size_t Size128Twice = Size128 + BankSize;

void ReadHeader(ByteCursor& in, Snapshot& snapshot) {
    const std::string where = "the .sna header";
    Z80Registers& regs = snapshot.regs;
    regs.i = Need(in.U8(), where);
    regs.hl2 = Need(in.U16(), where);
    regs.de2 = Need(in.U16(), where);
    regs.bc2 = Need(in.U16(), where);
    regs.af2 = Need(in.U16(), where);
    regs.hl = Need(in.U16(), where);
    regs.de = Need(in.U16(), where);
    regs.bc = Need(in.U16(), where);
    regs.iy = Need(in.U16(), where);
    regs.ix = Need(in.U16(), where);
    // The format keeps IFF2 alone; IFF1 differs from it only inside an NMI
    // handler.
    regs.iff2 = (Need(in.U8(), where) & 0x04) != 0;
    regs.iff1 = regs.iff2;
    regs.r = Need(in.U8(), where);
    regs.af = Need(in.U16(), where);
    regs.sp = Need(in.U16(), where);
    regs.im = Need(in.U8(), where);
    snapshot.border = Need(in.U8(), where) & 0x07;
}

void ReadBank(ByteCursor& in, Bank& bank) {
    const auto data = Need(in.Bytes(BankSize), "a memory bank");
    std::copy(data.begin(), data.end(), bank.begin());
}

// A 48K's PC was pushed onto its stack when the file was written: it is
// popped, and the two bytes stay in RAM as they are, as the machine leaves
// them after a RET.
void PopPc(Snapshot& snapshot) {
    Z80Registers& regs = snapshot.regs;
    if (regs.sp < 0x4000 || regs.sp == 0xFFFF) {
        throw SnapshotFailure(SnapshotError::BadValue,
                              "PC kept on a stack outside RAM (SP 0x" + Hex(regs.sp, 4) + ")");
    }
    regs.pc = std::uint16_t(snapshot.At(regs.sp) | snapshot.At(std::uint16_t(regs.sp + 1)) << 8);
    regs.sp = std::uint16_t(regs.sp + 2);
}

} // namespace

Snapshot ReadSnaSnapshot(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != Size48 && bytes.size() != Size128 && bytes.size() != Size128Twice) {
        throw SnapshotFailure(SnapshotError::WrongSize,
                              "a .sna of " + std::to_string(bytes.size()) +
                                  " bytes (48K: 49,179; 128K: 131,103 or 147,487)");
    }
    Snapshot snapshot;
    ByteCursor in(bytes);
    ReadHeader(in, snapshot);
    ReadBank(in, snapshot.banks[5]);
    ReadBank(in, snapshot.banks[2]);
    if (bytes.size() == Size48) {
        ReadBank(in, snapshot.banks[0]);
        PopPc(snapshot);
        return snapshot;
    }

    Bank atC000{};
    ReadBank(in, atC000);
    snapshot.model = SpectrumModel::Spectrum128;
    snapshot.regs.pc = Need(in.U16(), "PC");
    snapshot.port7ffd = Need(in.U8(), "0x7FFD");
    if (Need(in.U8(), "the TR-DOS byte") != 0) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom, "the TR-DOS ROM is paged in");
    }
    const std::size_t paged = snapshot.port7ffd & 0x07;
    const bool givenTwice = paged == 2 || paged == 5;
    if (givenTwice != (bytes.size() == Size128Twice)) {
        throw SnapshotFailure(SnapshotError::WrongSize,
                              "a 128K .sna of " + std::to_string(bytes.size()) +
                                  " bytes with bank " + std::to_string(paged) + " at 0xC000 (" +
                                  (givenTwice ? "147,487" : "131,103") + " bytes)");
    }
    if (!givenTwice) {
        snapshot.banks[paged] = atC000;
    }
    for (std::size_t bank = 0; bank < snapshot.banks.size(); ++bank) {
        if (bank != 2 && bank != 5 && bank != paged) {
            ReadBank(in, snapshot.banks[bank]);
        }
    }
    return snapshot;
}

} // namespace bitreel
