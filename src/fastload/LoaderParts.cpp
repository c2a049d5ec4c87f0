// The loader's parts with Bitreel's values put in at their symbols.
#include "fastload/LoaderParts.h"

#include "FastLoaderImages.h"
#include "fastload/BlockCheck.h"
#include "fastload/LoaderTiming.h"

#include <stdexcept>

namespace bitreel::fastload {
namespace {

namespace boot = loader::fastboot;
namespace mainpart = loader::fastmain;

// The main part calls the resident part at these places (FFAIL and FLOAD
// in machine/fastmain.asm).
static_assert(boot::fail == boot::FBASEAT && boot::load == boot::fail + 8);

constexpr std::size_t ChunkEntry = 11;
constexpr std::uint8_t TableEnd = 0xFE;
constexpr std::uint8_t NoPaging = 0xFF;
constexpr std::uint8_t Ei = 0xFB;
constexpr std::uint8_t Nop = 0x00;
// IM 0, 1 and 2: the byte after ED.
constexpr std::uint8_t ImOpcodes[] = {0x46, 0x56, 0x5E};
// The border while the tail loads: it stays so if the tail finds its block
// damaged.
constexpr std::uint8_t LastBlockBorder = 2;
constexpr std::uint8_t LastBlockBorderOnRed = 5;

// The two builds of the first steps and where their values go.
struct FirstSteps {
    const std::uint8_t* bytes;
    std::size_t size;
    std::uint16_t pfbase, pfsize, pmorg, pmlen, pmcheck, pfload, pmentry;
};
namespace p48 = loader::prologue48;
namespace p128 = loader::prologue128;
const FirstSteps FirstSteps48{p48::Bytes, p48::Size,    p48::pfbase, p48::pfsize, p48::pmorg,
                              p48::pmlen, p48::pmcheck, p48::pfload, p48::pmentry};
const FirstSteps FirstSteps128{p128::Bytes, p128::Size,    p128::pfbase, p128::pfsize, p128::pmorg,
                               p128::pmlen, p128::pmcheck, p128::pfload, p128::pmentry};

// Puts values into a part's bytes at its symbols.
class Patcher {
public:
    Patcher(std::vector<std::uint8_t>& bytes, std::uint16_t origin)
        : bytes_(bytes), origin_(origin) {}
    void Byte(std::uint16_t at, std::uint8_t value) { bytes_.at(at - origin_) = value; }
    void Word(std::uint16_t at, std::uint16_t value) {
        Byte(at, static_cast<std::uint8_t>(value));
        Byte(static_cast<std::uint16_t>(at + 1), static_cast<std::uint8_t>(value >> 8));
    }

private:
    std::vector<std::uint8_t>& bytes_;
    std::uint16_t origin_;
};

// The main part moved to a page: the bytes the two assemblies differ in are
// the high bytes of its own addresses.
std::vector<std::uint8_t> MovedMain(std::uint16_t origin) {
    const auto pages =
        static_cast<std::uint8_t>((loader::fastmain_moved::main - mainpart::main) >> 8);
    const auto by = static_cast<std::uint8_t>((origin - mainpart::main) >> 8);
    std::vector<std::uint8_t> bytes(mainpart::Bytes, mainpart::Bytes + mainpart::Size);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t moved = loader::fastmain_moved::Bytes[i];
        if (moved == bytes[i]) {
            continue;
        }
        if (static_cast<std::uint8_t>(moved - bytes[i]) != pages) {
            throw std::logic_error("the main part's two assemblies differ by more than a move");
        }
        bytes[i] = static_cast<std::uint8_t>(bytes[i] + by);
    }
    return bytes;
}

std::uint8_t Low(std::uint32_t value) {
    return static_cast<std::uint8_t>(value);
}
std::uint8_t High(std::uint32_t value) {
    return static_cast<std::uint8_t>(value >> 8);
}

void PutTable(Patcher& m, const std::vector<LoadedChunk>& chunks) {
    std::uint16_t at = mainpart::chunks;
    for (const LoadedChunk& c : chunks) {
        const std::uint32_t load = c.chunk.end - static_cast<std::uint32_t>(c.loaded.size());
        const std::uint32_t count = static_cast<std::uint32_t>(c.loaded.size());
        const BlockCheck check = CheckOf(c.loaded);
        const std::uint32_t unpackEnd = c.chunk.start + static_cast<std::uint32_t>(c.unpackedEnd);
        const std::uint8_t entry[ChunkEntry] = {c.chunk.page.value_or(NoPaging),
                                                Low(load),
                                                High(load),
                                                Low(count),
                                                static_cast<std::uint8_t>((count + 255) / 256),
                                                check.sum,
                                                check.sumOfSums,
                                                Low(c.chunk.start),
                                                High(c.chunk.start),
                                                Low(unpackEnd),
                                                High(unpackEnd)};
        for (const std::uint8_t byte : entry) {
            m.Byte(at++, byte);
        }
    }
    m.Byte(at, TableEnd);
}

// The main part's waits: each bit's start, the first bit's across a page,
// after the lead-in, and the pilot's count.
void PutReaderTimes(Patcher& m, const PulseCode& code) {
    const auto start = [&](unsigned path) {
        return BitThreshold(code, mainpart::RDTURN, mainpart::RDTURN + path).start;
    };
    m.Byte(mainpart::s0, start(mainpart::RDPATH7));
    m.Byte(mainpart::s1, start(mainpart::RDPATH0));
    m.Byte(mainpart::s2, start(mainpart::RDPATH1));
    for (const std::uint16_t at :
         {mainpart::s3, mainpart::s4, mainpart::s5, mainpart::s6, mainpart::s7}) {
        m.Byte(at, start(mainpart::RDPATH));
    }
    m.Byte(mainpart::sp0, start(mainpart::RDPAGE));
    m.Byte(mainpart::sl, BitThreshold(code, mainpart::RDTURN, mainpart::RDLEAD).start);
    m.Byte(mainpart::mpilot,
           PilotCount(code, mainpart::MSTURN, mainpart::MSTURN + mainpart::MSPATH));
}

// The tail: the program's E its sum must come to, the border, R less the
// instructions between setting it and the program's first (POP AF, EI or
// NOP, RET), interrupts, and HL, BC, AF and PC to pop.
void PutTail(Patcher& m, const Snapshot& snapshot) {
    const Z80Registers& r = snapshot.regs;
    constexpr int FetchesAfterR = 3;
    m.Byte(mainpart::tsum, Low(r.de));
    m.Byte(mainpart::tborder, snapshot.border & 7);
    m.Byte(mainpart::tr, static_cast<std::uint8_t>(((r.r - FetchesAfterR) & 0x7F) | (r.r & 0x80)));
    m.Byte(mainpart::tei, r.iff1 ? Ei : Nop);
    m.Word(mainpart::twords, r.hl);
    m.Word(mainpart::twords + 2, r.bc);
    m.Word(mainpart::twords + 4, r.af);
    m.Word(mainpart::twords + 6, r.pc);
}

// What the machine ends with: the sound chip (128K), the paging, the
// registers the tail does not set, the border for the last block, and
// where the resident part goes on.
void PutRestore(Patcher& m, const Snapshot& snapshot, const MemoryPlan& plan) {
    const Z80Registers& r = snapshot.regs;
    const bool is128 = Is128K(snapshot.model);
    m.Byte(mainpart::hasay, is128 ? 1 : 0);
    for (std::size_t i = 0; i < snapshot.ay.size(); ++i) {
        m.Byte(static_cast<std::uint16_t>(mainpart::ay + i), is128 ? snapshot.ay[i] : 0);
    }
    m.Byte(mainpart::aylast, snapshot.ayRegister & 15);
    // A 48K program gets the 48 BASIC ROM, paging locked, on any 128; a
    // 128 program keeps its ROM (on the +2A/+3 by 0x1FFD's bit 2, which a
    // 128 takes as a write to 0x7FFD that the next write puts right).
    constexpr std::uint8_t Rom48 = 0x10;
    constexpr std::uint8_t Lock = 0x20;
    constexpr std::uint8_t HighRom = 0x04;
    std::uint8_t p7ffd = snapshot.port7ffd;
    std::uint8_t p1ffd = snapshot.port1ffd;
    if (!is128) {
        p7ffd = Rom48 | Lock;
        p1ffd = HighRom;
    } else if (!HasPort1ffd(snapshot.model)) {
        p1ffd = (p7ffd & Rom48) ? HighRom : 0;
    }
    // Bits 5 to 7 mean nothing to 0x1FFD, but a 128 would take bit 5 as
    // the lock before the write to 0x7FFD could set its paging.
    m.Byte(mainpart::p1ffd, p1ffd & 0x1F);
    m.Byte(mainpart::p7ffd, p7ffd);
    m.Word(mainpart::tailat, plan.tailAt);
    m.Byte(mainpart::iv, r.i);
    m.Byte(mainpart::imode, ImOpcodes[r.im % 3]);
    m.Word(mainpart::bc2, r.bc2);
    m.Word(mainpart::de2, r.de2);
    m.Word(mainpart::hl2, r.hl2);
    m.Word(mainpart::af2, r.af2);
    m.Word(mainpart::ixv, r.ix);
    m.Word(mainpart::iyv, r.iy);
    constexpr std::uint8_t MicHigh = 0x08; // as the ROM has it while it loads
    m.Byte(mainpart::lastbd,
           MicHigh |
               ((snapshot.border & 7) == LastBlockBorder ? LastBlockBorderOnRed : LastBlockBorder));
    m.Word(mainpart::fcont, boot::final);
    m.Word(mainpart::mcheck, CheckOf(SnapshotBytes(snapshot, plan.mainAt, plan.mainSize)).Word());
    m.Word(mainpart::mlen, static_cast<std::uint16_t>(plan.mainSize));
}

} // namespace

std::size_t MainPartSize(std::size_t chunks) {
    return mainpart::Size + ChunkEntry * chunks + 1;
}

std::vector<std::uint8_t> SnapshotBytes(const Snapshot& snapshot, std::uint16_t from,
                                        std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = snapshot.At(static_cast<std::uint16_t>(from + i));
    }
    return bytes;
}

LoaderParts BuildLoaderParts(const Snapshot& snapshot, const MemoryPlan& plan,
                             const FastSpeed& speed, const std::vector<LoadedChunk>& chunks) {
    LoaderParts parts;
    parts.main = MovedMain(plan.mainAt);
    parts.main.resize(plan.mainSize, 0);
    Patcher m(parts.main, mainpart::main);
    PutTable(m, chunks);
    PutReaderTimes(m, speed.data);
    PutTail(m, snapshot);
    PutRestore(m, snapshot, plan);
    parts.tail.assign(parts.main.begin() + (mainpart::tail - mainpart::main),
                      parts.main.begin() + (mainpart::tail - mainpart::main) + mainpart::TAILSIZE);

    // The resident part: its waits, the tail block's pilot, and what it
    // hands the tail: the program's D, E to start the sum at (so that it
    // comes to the program's E), the program's SP less the tail's words.
    std::vector<std::uint8_t> resident(boot::Bytes, boot::Bytes + boot::Size);
    Patcher b(resident, boot::fail);
    b.Byte(boot::fpilot, PilotCount(speed.loader, boot::FSTURN, boot::FSTURN + boot::FSPATH));
    b.Byte(boot::fs, BitThreshold(speed.loader, boot::FBTURN, boot::FBTURN + boot::FBPATH).start);
    b.Byte(boot::fs1, BitThreshold(speed.loader, boot::FBTURN, boot::FBTURN + boot::FBBYTE).start);
    b.Byte(boot::tpilot, PilotCount(TailCode, boot::FSTURN, boot::FSTURN + boot::FSPATH));
    const std::vector<std::uint8_t> restored = SnapshotBytes(snapshot, plan.residentAt, boot::Size);
    const auto sum = static_cast<std::uint8_t>(CheckOf(restored).sum);
    const auto e0 = static_cast<std::uint8_t>(Low(snapshot.regs.de) - sum);
    b.Word(boot::tde, static_cast<std::uint16_t>((snapshot.regs.de & 0xFF00) | e0));
    b.Word(boot::tsp, static_cast<std::uint16_t>(plan.tailAt + mainpart::twords - mainpart::tail));
    b.Word(boot::tjp, plan.tailAt);

    // The first steps, for a 128K program with the test that the machine
    // pages.
    const FirstSteps& steps = Is128K(snapshot.model) ? FirstSteps128 : FirstSteps48;
    std::vector<std::uint8_t> prologue(steps.bytes, steps.bytes + steps.size);
    Patcher p(prologue, 0);
    p.Word(steps.pfbase, boot::fail);
    p.Word(steps.pfsize, static_cast<std::uint16_t>(boot::Size));
    p.Word(steps.pmorg, plan.mainAt);
    p.Word(steps.pmlen, static_cast<std::uint16_t>(plan.mainSize));
    p.Word(steps.pmcheck, CheckOf(parts.main).Word());
    p.Word(steps.pfload, boot::load);
    p.Word(steps.pmentry, plan.mainAt);
    parts.basicCode = std::move(prologue);
    parts.basicCode.insert(parts.basicCode.end(), resident.begin(), resident.end());
    return parts;
}

} // namespace bitreel::fastload
