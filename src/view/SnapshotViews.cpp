#include "view/SnapshotViews.h"

#include "tape/HexText.h"
#include "view/HexDump.h"
#include "view/screen/ScreenImage.h"

#include <cstdio>

namespace bitreel::view {
namespace {

// "AF     0x0044", names padded so that the values line up past "Border".
std::string Line(const std::string& name, const std::string& value) {
    std::string line = name;
    line.resize(7, ' ');
    return line + value + "\n";
}

std::string Word(std::uint16_t value) {
    return "0x" + Hex(value, 4);
}

std::string Byte(std::uint8_t value) {
    return "0x" + Hex(value, 2);
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

// Where a bank shows: 5 at 0x4000, 2 at 0x8000, every other at 0xC000.
std::uint16_t BankAddress(std::size_t bank) {
    return bank == 5 ? 0x4000 : bank == 2 ? 0x8000 : 0xC000;
}

} // namespace

std::span<const std::uint8_t> SnapshotScreen(const Snapshot& snapshot) {
    return std::span(snapshot.banks[5]).first(ScreenBytes);
}

std::string RegistersText(const Snapshot& snapshot) {
    const Z80Registers& r = snapshot.regs;
    std::string text = std::string("Spectrum ") + ModelName(snapshot.model) +
                       (snapshot.ran16K ? " (a 16K Spectrum's program)" : "") + "\n";
    text += Line("AF", Word(r.af)) + Line("BC", Word(r.bc)) + Line("DE", Word(r.de)) +
            Line("HL", Word(r.hl)) + Line("AF'", Word(r.af2)) + Line("BC'", Word(r.bc2)) +
            Line("DE'", Word(r.de2)) + Line("HL'", Word(r.hl2)) + Line("IX", Word(r.ix)) +
            Line("IY", Word(r.iy)) + Line("SP", Word(r.sp)) + Line("PC", Word(r.pc)) +
            Line("I", Byte(r.i)) + Line("R", Byte(r.r)) + Line("IM", std::to_string(r.im)) +
            Line("IFF1", OnOff(r.iff1)) + Line("IFF2", OnOff(r.iff2)) +
            Line("Border", std::to_string(snapshot.border & 7));
    if (Is128K(snapshot.model)) {
        text += Line("7FFD", Byte(snapshot.port7ffd));
    }
    if (HasPort1ffd(snapshot.model)) {
        text += Line("1FFD", Byte(snapshot.port1ffd));
    }
    if (Is128K(snapshot.model)) {
        text += "Sound chip (AY), register " + std::to_string(snapshot.ayRegister) + " selected:\n";
        for (std::size_t i = 0; i < snapshot.ay.size(); ++i) {
            text += Line("R" + std::to_string(i), Byte(snapshot.ay[i]));
        }
    }
    return text;
}

std::string MemoryText(const Snapshot& snapshot) {
    if (!Is128K(snapshot.model)) {
        std::string text;
        const std::size_t banks = snapshot.ran16K ? 1 : Banks48K.size();
        for (std::size_t i = 0; i < banks; ++i) {
            text += MemoryHex(snapshot.banks[Banks48K[i]], BankAddress(Banks48K[i]));
        }
        return text;
    }
    std::string text;
    for (std::size_t bank = 0; bank < snapshot.banks.size(); ++bank) {
        const std::uint16_t address = BankAddress(bank);
        // Bank 2 or 5 paged at 0xC000 shows twice; its bytes are listed once.
        const bool paged = snapshot.BankAt(0xC000) == bank;
        const std::string also = paged && address != 0xC000 ? ", also at 0xC000" : "";
        text += (bank == 0 ? "" : "\n") + std::string("Bank ") + std::to_string(bank) + " at " +
                Word(address) + also + (paged ? " (paged in)" : "") + ":\n" +
                MemoryHex(snapshot.banks[bank], address);
    }
    return text;
}

} // namespace bitreel::view
