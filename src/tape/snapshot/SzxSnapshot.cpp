// Reads .szx (zx-state) snapshots chunk by chunk: Z80R, SPCR, RAMP, AY and the refusing ones.
#include "tape/snapshot/SnapshotReaders.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace bitreel {
namespace {

constexpr std::uint8_t Halt = 0x76;

// The machines a zx-state header names, by number: a model, or why not.
struct Machine {
    SpectrumModel model;
    const char* other; // the machine Bitreel does not restore
};
constexpr std::array<Machine, 17> Machines = {{
    {SpectrumModel::Spectrum48, nullptr}, // a 16K
    {SpectrumModel::Spectrum48, nullptr},
    {SpectrumModel::Spectrum128, nullptr},
    {SpectrumModel::Plus2, nullptr},
    {SpectrumModel::Plus2A, nullptr},
    {SpectrumModel::Plus3, nullptr},
    {{}, "a Spectrum +3e snapshot"},
    {{}, "a Pentagon 128 snapshot"},
    {{}, "a Timex TC2048 snapshot"},
    {{}, "a Timex TC2068 snapshot"},
    {{}, "a Scorpion ZS-256 snapshot"},
    {{}, "a Spectrum SE snapshot"},
    {{}, "a Timex TS2068 snapshot"},
    {{}, "a Pentagon 512 snapshot"},
    {{}, "a Pentagon 1024 snapshot"},
    {SpectrumModel::Spectrum48, nullptr}, // the NTSC 48K, at 60 frames a second
    {{}, "a Spectrum 128Ke snapshot"},
}};

void ReadMachine(unsigned id, Snapshot& snapshot) {
    if (id >= Machines.size()) {
        throw SnapshotFailure(SnapshotError::UnknownMachine,
                              "zx-state machine " + std::to_string(id));
    }
    if (Machines[id].other != nullptr) {
        throw SnapshotFailure(SnapshotError::OtherMachine, Machines[id].other);
    }
    snapshot.model = Machines[id].model;
    snapshot.ran16K = id == 0;
}

// A chunk's ID as text for a message: its letters, without the NULs that
// pad short ones.
std::string ChunkName(std::string_view id) {
    std::string name;
    for (const char c : id) {
        if (c != 0) {
            name += c >= 0x20 && c < 0x7F ? c : '?';
        }
    }
    return name;
}

// Z80R; true when the processor was halted.
bool ReadRegisters(ByteCursor in, Z80Registers& regs) {
    const std::string where = "the Z80R chunk";
    for (std::uint16_t* pair : {&regs.af, &regs.bc, &regs.de, &regs.hl, &regs.af2, &regs.bc2,
                                &regs.de2, &regs.hl2, &regs.ix, &regs.iy, &regs.sp, &regs.pc}) {
        *pair = Need(in.U16(), where);
    }
    regs.i = Need(in.U8(), where);
    regs.r = Need(in.U8(), where);
    regs.iff1 = Need(in.U8(), where) != 0;
    regs.iff2 = Need(in.U8(), where) != 0;
    regs.im = Need(in.U8(), where);
    // T-states in the frame and in the interrupt, then the flags; a chunk
    // that ends before them is read as not halted.
    if (!in.Skip(5)) {
        return false;
    }
    const auto flags = in.U8();
    return flags && (*flags & 0x02) != 0;
}

void ReadSpecRegs(ByteCursor in, Snapshot& snapshot) {
    const std::string where = "the SPCR chunk";
    snapshot.border = Need(in.U8(), where) & 0x07;
    snapshot.port7ffd = Need(in.U8(), where);
    snapshot.port1ffd = Need(in.U8(), where);
}

// A page packed by zlib into exactly 16 KB.
bool Inflate(std::span<const std::uint8_t> packed, Bank& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    stream.next_in = const_cast<Bytef*>(packed.data());
    stream.avail_in = uInt(packed.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    int status = inflate(&stream, Z_FINISH);
    if ((status == Z_OK || status == Z_BUF_ERROR) && stream.avail_out == 0) {
        // Out is full: the stream must end here, giving no byte more.
        std::uint8_t more = 0;
        stream.next_out = &more;
        stream.avail_out = 1;
        status = inflate(&stream, Z_FINISH);
        status = status == Z_STREAM_END && stream.avail_out == 1 ? Z_STREAM_END : Z_DATA_ERROR;
    }
    const bool whole = status == Z_STREAM_END && stream.total_out == out.size();
    inflateEnd(&stream);
    return whole;
}

void ReadRamPage(ByteCursor in, Snapshot& snapshot, std::array<bool, 8>& seen) {
    const std::string where = "a RAMP chunk";
    const bool packed = (Need(in.U16(), where) & 0x01) != 0;
    const unsigned page = Need(in.U8(), where);
    const std::string name = "page " + std::to_string(page);
    const bool has = Is128K(snapshot.model) ? page < 8 : page == 0 || page == 2 || page == 5;
    if (!has) {
        throw SnapshotFailure(SnapshotError::BadPage,
                              name + ", which the snapshot's machine does not have");
    }
    if (seen[page]) {
        throw SnapshotFailure(SnapshotError::BadPage, name + " given twice");
    }
    seen[page] = true;
    const auto data = *in.Bytes(in.Left());
    if (packed) {
        if (!Inflate(data, snapshot.banks[page])) {
            throw SnapshotFailure(SnapshotError::BadPage,
                                  name + " does not inflate to exactly 16 KB");
        }
    } else if (data.size() != BankSize) {
        throw SnapshotFailure(SnapshotError::BadPage, name + " holds " +
                                                          std::to_string(data.size()) +
                                                          " bytes, not 16,384");
    } else {
        std::copy(data.begin(), data.end(), snapshot.banks[page].begin());
    }
}

void ReadAy(ByteCursor in, Snapshot& snapshot) {
    const std::string where = "the AY chunk";
    NeedSkip(in, 1, where); // a 48K's add-on, which a 128K's chip does not need
    snapshot.ayRegister = Need(in.U8(), where) & 0x0F;
    const auto registers = Need(in.Bytes(snapshot.ay.size()), where);
    std::copy(registers.begin(), registers.end(), snapshot.ay.begin());
}

// Refuses a snapshot whose interface has its own memory paged over the ROM.
void CheckPaged(ByteCursor in, std::string_view id, std::size_t flagSize, unsigned pagedBit,
                const char* what) {
    const std::string where = "the " + ChunkName(id) + " chunk";
    const std::uint32_t flags = flagSize == 1   ? Need(in.U8(), where)
                                : flagSize == 2 ? Need(in.U16(), where)
                                                : Need(in.U32(), where);
    if ((flags & pagedBit) != 0) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom, what);
    }
}

void ReadChunk(std::string_view id, ByteCursor in, Snapshot& snapshot, std::array<bool, 8>& seen) {
    if (id == "RAMP") {
        ReadRamPage(in, snapshot, seen);
    } else if (id == std::string_view("AY\0\0", 4)) {
        ReadAy(in, snapshot);
    } else if (id == std::string_view("+3\0\0", 4)) {
        NeedSkip(in, 1, "the +3 chunk"); // the number of drives
        if (Need(in.U8(), "the +3 chunk") != 0) {
            throw SnapshotFailure(SnapshotError::DiskInUse, "a +3 snapshot with its disk motor on");
        }
    } else if (id == std::string_view("DSK\0", 4)) {
        NeedSkip(in, 2, "the DSK chunk");
        const unsigned drive = Need(in.U8(), "the DSK chunk");
        throw SnapshotFailure(SnapshotError::DiskInUse,
                              std::string("a +3 snapshot with a disk in drive ") +
                                  (drive == 0 ? "A" : "B"));
    } else if (id == std::string_view("IF1\0", 4)) {
        CheckPaged(in, "IF1", 2, 0x04, "the Interface 1's ROM is paged in");
    } else if (id == "MFCE") {
        NeedSkip(in, 1, "the MFCE chunk"); // which Multiface
        CheckPaged(in, "MFCE", 1, 0x01, "the Multiface's ROM is paged in");
    } else if (id == "B128") {
        CheckPaged(in, "B128", 4, 0x04, "the TR-DOS ROM is paged in");
    } else if (id == "PLSD") {
        CheckPaged(in, "PLSD", 4, 0x01, "the +D's ROM is paged in");
    } else if (id == "OPUS") {
        CheckPaged(in, "OPUS", 4, 0x01, "the Opus Discovery's ROM is paged in");
    } else if (id == "DIDE") {
        CheckPaged(in, "DIDE", 2, 0x02, "the DivIDE's memory is paged in");
    } else if (id == std::string_view("ROM\0", 4)) {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom, "a ROM of its own");
    } else if (id == "IF2R") {
        throw SnapshotFailure(SnapshotError::NotSpectrumRom, "an Interface 2 cartridge's ROM");
    }
    // Every other chunk is passed over by its length: the creator, the
    // keyboard and joysticks, the printer, the tape, the palette, and the
    // interfaces whose memory is not paged in.
}

// A halted processor's PC may point past its HALT: it resumes at the HALT,
// which waits for the next interrupt as the machine was doing.
void ResumeAtHalt(Snapshot& snapshot) {
    const std::uint16_t pc = snapshot.regs.pc;
    if (pc > 0x4000 && snapshot.At(pc) != Halt && snapshot.At(std::uint16_t(pc - 1)) == Halt) {
        snapshot.regs.pc = std::uint16_t(pc - 1);
    }
}

} // namespace

Snapshot ReadSzxSnapshot(std::span<const std::uint8_t> bytes) {
    Snapshot snapshot;
    ByteCursor in(bytes);
    const std::string header = "the zx-state header";
    const auto magic = Need(in.Bytes(4), header);
    if (!std::equal(magic.begin(), magic.end(), "ZXST")) {
        throw SnapshotFailure(SnapshotError::UnknownFormat, "no ZXST signature");
    }
    const unsigned major = Need(in.U8(), header);
    const unsigned minor = Need(in.U8(), header);
    if (major != 1) {
        throw SnapshotFailure(SnapshotError::UnknownVersion, "zx-state version " +
                                                                 std::to_string(major) + "." +
                                                                 std::to_string(minor));
    }
    ReadMachine(Need(in.U8(), header), snapshot);
    NeedSkip(in, 1, header); // timings, which a real machine has its own of

    std::array<bool, 8> seen{};
    bool registers = false;
    bool ula = false;
    bool halted = false;
    while (!in.AtEnd()) {
        const auto idBytes = Need(in.Bytes(4), "a chunk's header");
        const std::string_view id(reinterpret_cast<const char*>(idBytes.data()), idBytes.size());
        const std::uint32_t size = Need(in.U32(), "a chunk's header");
        const ByteCursor chunk(Need(in.Bytes(size), "the " + ChunkName(id) + " chunk"));
        if (id == "Z80R") {
            halted = ReadRegisters(chunk, snapshot.regs);
            registers = true;
        } else if (id == "SPCR") {
            ReadSpecRegs(chunk, snapshot);
            ula = true;
        } else {
            ReadChunk(id, chunk, snapshot, seen);
        }
    }
    if (!registers) {
        throw SnapshotFailure(SnapshotError::Missing, "no Z80R chunk (the processor's registers)");
    }
    if (!ula) {
        throw SnapshotFailure(SnapshotError::Missing, "no SPCR chunk (the border and paging)");
    }
    for (std::size_t page = 0; page < seen.size(); ++page) {
        const bool needed = Is128K(snapshot.model) ||
                            (snapshot.ran16K ? page == 5 : page == 0 || page == 2 || page == 5);
        if (needed && !seen[page]) {
            throw SnapshotFailure(SnapshotError::Missing, "no page " + std::to_string(page));
        }
    }
    if (halted) {
        ResumeAtHalt(snapshot);
    }
    return snapshot;
}

} // namespace bitreel
