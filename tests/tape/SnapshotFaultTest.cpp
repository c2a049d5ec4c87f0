// Snapshots with one field changed: the machines each format names, and one
// fault a file at a time, each refused with its reason. The .z80 and .sna
// files are the kept snapshots edited; the .szx files are made here.
#include "tape/snapshot/ReadSnapshot.h"

#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <utility>
#include <vector>

namespace bitreel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using F = SnapshotFormat;
using M = SpectrumModel;
using E = SnapshotError;

Bytes Kept(const char* name) {
    return test::ReadFileBytes(std::filesystem::path(BITREEL_SNAPSHOT_DIR) / name);
}

// Offsets in the kept files: .z80 header fields (29 IM, 30 the extra
// header's length, 34 hardware mode, 36 Interface 1, 37 flags, 59 and 60 the
// DISCiPLE's and Multiface's paging, 86 0x1FFD), page blocks, .sna fields.
const Bytes Over48 = Kept("zesarux-over48.z80");               // v3, pages 8, 4, 5 at 87, 775, 6035
const Bytes Over128 = Kept("zesarux-over128.z80");             // v3; page 4 at 9562, all runs
const Bytes Mouse = Kept("zesarux-kempston_mouse_driver.z80"); // v2
const Bytes Ted = Kept("speccymac-technted.z80");              // v1 packed
const Bytes Mandelbrot = Kept("peterlemon-Mandelbrot.z80");    // v1 stored
const Bytes IntSkip = Kept("zesarux-int_skip.sna");            // 48K, SP at 23
const Bytes UkFlag = Kept("zesarux-UKflag.sna"); // 128K, bank 7 paged: 0x7FFD at 49181

Bytes Edit(Bytes bytes, std::initializer_list<std::pair<std::size_t, std::uint8_t>> edits) {
    for (const auto& [at, value] : edits) {
        bytes.at(at) = value;
    }
    return bytes;
}
Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}
Bytes Cat(Bytes bytes, const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}

// ---- .szx files, chunk by chunk ----

Bytes Chunk(std::string_view id, const Bytes& body) {
    Bytes chunk(id.begin(), id.end());
    chunk.resize(4, 0);
    for (int i = 0; i < 4; ++i) {
        chunk.push_back(std::uint8_t(body.size() >> (8 * i)));
    }
    return Cat(chunk, body);
}
Bytes Zlib(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    compress(out.data(), &size, data.data(), uLong(data.size()));
    return Cut(out, size);
}
// A RAMP chunk, packed by zlib or stored.
Bytes Ramp(std::uint8_t page, const Bytes& data = Bytes(BankSize), bool packed = true) {
    return Chunk("RAMP", Cat({std::uint8_t(packed), 0, page}, packed ? Zlib(data) : data));
}
// Z80R (PC 0x9001, SP 0x8000, IM 1; the halted flag), SPCR, then chunks.
Bytes Szx(std::uint8_t machine, const Bytes& chunks, std::uint8_t port1ffd = 0,
          bool halted = false) {
    Bytes z80r(37);
    z80r[21] = 0x80; // SP
    z80r[22] = 0x01; // PC
    z80r[23] = 0x90;
    z80r[28] = 1; // IM
    z80r[34] = halted ? 2 : 0;
    const Bytes head = {'Z', 'X', 'S', 'T', 1, 4, machine, 0};
    return Cat(Cat(Cat(head, Chunk("Z80R", z80r)), Chunk("SPCR", {2, 0, port1ffd, 0, 0, 0, 0, 0})),
               chunks);
}
Bytes RampsUpTo(std::uint8_t pages) {
    Bytes all;
    for (std::uint8_t page = 0; page < pages; ++page) {
        all = Cat(all, Ramp(page));
    }
    return all;
}
const Bytes Pages48 = Cat(Cat(Ramp(0), Ramp(2)), Ramp(5));
const Bytes Pages128 = RampsUpTo(8);
const Bytes Szx48 = Szx(1, Pages48);

// ---- What each format's machine numbers give ----

struct ModelCase {
    const char* name;
    Bytes bytes;
    F format;
    M model;
    bool ran16K = false;
    std::uint8_t port1ffd = 0;
    std::uint16_t pc = 0x8181;
    int bank = -1; // a bank whose first byte is checked, and the byte
    std::uint8_t first = 0;
};

void PrintTo(const ModelCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotModels : public testing::TestWithParam<ModelCase> {};

TEST_P(SnapshotModels, ReadsTheMachine) {
    const ModelCase& c = GetParam();
    const Snapshot snapshot = ReadSnapshot(c.bytes, c.format);
    EXPECT_EQ(snapshot.model, c.model);
    EXPECT_EQ(snapshot.ran16K, c.ran16K);
    EXPECT_EQ(snapshot.port1ffd, c.port1ffd);
    EXPECT_EQ(snapshot.regs.pc, c.pc);
    if (c.bank >= 0) {
        EXPECT_EQ(snapshot.banks[std::size_t(c.bank)][0], c.first);
    }
}

// A page holding a HALT at 0x9000, stored.
Bytes HaltAt9000() {
    Bytes page(BankSize);
    page[0x1000] = 0x76;
    return Ramp(2, page, false);
}

INSTANTIATE_TEST_SUITE_P(
    Edited, SnapshotModels,
    testing::Values(
        ModelCase{"z80_16K", Edit(Over48, {{37, 0x85}}), F::Z80, M::Spectrum48, true},
        ModelCase{"z80_v3_mode_3_is_48K_and_DISCiPLE", Edit(Over48, {{34, 3}}), F::Z80,
                  M::Spectrum48},
        ModelCase{"z80_v2_mode_4_is_128K_and_Interface_1",
                  Edit(Kept("zesarux-hires128.z80"), {{34, 4}}), F::Z80, M::Spectrum128, false, 0,
                  0x8101},
        ModelCase{"z80_128K_modified_is_Plus2", Edit(Over128, {{37, 0x85}}), F::Z80, M::Plus2},
        ModelCase{"z80_Plus3_with_0x1FFD", Edit(Over128, {{34, 7}, {86, 0x04}}), F::Z80, M::Plus3,
                  false, 0x04},
        ModelCase{"z80_Plus3_modified_is_Plus2A", Edit(Over128, {{34, 7}, {37, 0x85}}), F::Z80,
                  M::Plus2A},
        ModelCase{"z80_Plus2A", Edit(Over128, {{34, 13}, {86, 0x04}}), F::Z80, M::Plus2A, false,
                  0x04},
        ModelCase{"z80_Interface_1_ROM_page_passed_over", Cat(Over48, {1, 0, 1, 0x76}), F::Z80,
                  M::Spectrum48},
        // The bank at 0xC000 is 5, given twice: 147,487 bytes.
        ModelCase{"sna_128K_bank_5_paged", Cat(Edit(UkFlag, {{49181, 0x15}}), Bytes(BankSize, 7)),
                  F::Sna, M::Spectrum128, false, 0, 0x6200, 7, 7},
        ModelCase{"szx_16K", Szx(0, Ramp(5)), F::Szx, M::Spectrum48, true, 0, 0x9001},
        ModelCase{"szx_Plus2A", Szx(4, Pages128, 0x04), F::Szx, M::Plus2A, false, 0x04, 0x9001},
        ModelCase{"szx_Plus3_stored_page_and_chunks_passed_over",
                  Szx(5,
                      Cat(Cat(RampsUpTo(7), Ramp(7, Bytes(BankSize, 9), false)),
                          Cat(Chunk("XYZW", {1}), Chunk({"IF1\0", 4}, Bytes(40, 1)))),
                      0x04),
                  F::Szx, M::Plus3, false, 0x04, 0x9001, 7, 9},
        ModelCase{"szx_halted_resumes_at_its_HALT",
                  Szx(1, Cat(Cat(Ramp(0), Ramp(5)), HaltAt9000()), 0, true), F::Szx, M::Spectrum48,
                  false, 0, 0x9000}),
    test::ByName{});

// ---- Faults, each refused with its reason ----

struct FaultCase {
    const char* name;
    Bytes bytes;
    F format;
    E error;
    const char* detail = ""; // a part of the text the user reads
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(SnapshotFaults, RefusedWithItsReason) {
    const FaultCase& c = GetParam();
    try {
        (void)ReadSnapshot(c.bytes, c.format);
        ADD_FAILURE() << "read without an error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), MakeError(c.error)) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.detail), std::string::npos) << e.what();
    }
}

// A zlib stream of the given length for page 0 of a 48K.
Bytes SzxPage0Of(std::size_t size, std::size_t damagedAt = 0) {
    Bytes stream = Zlib(Bytes(size, 0x42));
    if (damagedAt != 0) {
        stream.at(damagedAt) ^= 0xFF;
    }
    return Szx(1, Cat(Cat(Ramp(2), Ramp(5)), Chunk("RAMP", Cat({1, 0, 0}, stream))));
}

INSTANTIATE_TEST_SUITE_P(
    Edited, SnapshotFaults,
    testing::Values(
        // .z80 memory: page 4 of the 128K is 65 runs, the last of 64 bytes.
        FaultCase{"z80_page_past_16K", Edit(Over128, {{9823, 0x41}}), F::Z80, E::BadPage,
                  "page 4 unpacks past its 16 KB"},
        FaultCase{"z80_page_short_of_16K", Edit(Over128, {{9823, 0x3F}}), F::Z80, E::BadPage,
                  "page 4 unpacks to less than 16 KB"},
        FaultCase{"z80_run_cut_by_its_page", Edit(Over128, {{9562, 0x03}}), F::Z80, E::BadPage,
                  "page 4"},
        FaultCase{"z80_v1_past_48K", Cat(Cut(Ted, Ted.size() - 4), {0x42, 0, 0xED, 0xED, 0}),
                  F::Z80, E::BadPage, "past 48 KB"},
        FaultCase{"z80_v1_stored_byte_too_many", Cat(Mandelbrot, {0}), F::Z80, E::WrongSize,
                  "49183 bytes"},
        FaultCase{"z80_page_of_another_model", Edit(Over48, {{6037, 9}}), F::Z80, E::BadPage,
                  "page 9, which"},
        FaultCase{"z80_page_given_twice", Edit(Over48, {{6037, 4}}), F::Z80, E::BadPage,
                  "page 4 given twice"},
        FaultCase{"z80_128K_missing_page", Cut(Over128, 16722), F::Z80, E::Missing, "no page 10"},
        // .z80 versions and machines
        FaultCase{"z80_unknown_version", Edit(Over48, {{30, 40}}), F::Z80, E::UnknownVersion},
        FaultCase{"z80_unknown_hardware", Edit(Over48, {{34, 20}}), F::Z80, E::UnknownMachine,
                  "hardware mode 20"},
        FaultCase{"z80_v2_mode_5_undefined", Edit(Mouse, {{34, 5}}), F::Z80, E::UnknownMachine},
        FaultCase{"z80_SamRam", Edit(Over48, {{34, 2}}), F::Z80, E::OtherMachine,
                  "a SamRam snapshot: Bitreel restores the Spectrum 48K, 128K, +2, +2A and +3"},
        FaultCase{"z80_Pentagon", Edit(Over48, {{34, 9}}), F::Z80, E::OtherMachine, "Pentagon"},
        FaultCase{"z80_Interface_1_ROM_paged", Edit(Over48, {{36, 0xFF}}), F::Z80,
                  E::NotSpectrumRom, "Interface 1"},
        FaultCase{"z80_DISCiPLE_ROM_paged", Edit(Over48, {{59, 0xFF}}), F::Z80, E::NotSpectrumRom,
                  "DISCiPLE"},
        FaultCase{"z80_Multiface_ROM_paged", Edit(Over48, {{60, 0xFF}}), F::Z80, E::NotSpectrumRom,
                  "Multiface"},
        FaultCase{"z80_own_ROM", Edit(Over48, {{6037, 0}}), F::Z80, E::NotSpectrumRom,
                  "a ROM of its own"},
        FaultCase{"z80_Plus3_disk_motor_on", Edit(Over128, {{34, 7}, {86, 0x0C}}), F::Z80,
                  E::DiskInUse, "disk motor"},
        FaultCase{"z80_Plus2A_all_RAM_paging", Edit(Over128, {{34, 13}, {86, 0x01}}), F::Z80,
                  E::NotSpectrumRom, "all-RAM"},
        FaultCase{"z80_interrupt_mode_3", Edit(Over48, {{29, 0x03}}), F::Z80, E::BadValue,
                  "interrupt mode 3"},
        // .sna
        FaultCase{"sna_byte_too_many", Cat(IntSkip, {0}), F::Sna, E::WrongSize, "49180 bytes"},
        FaultCase{"sna_128K_bank_7_paged_but_6_banks", Cat(UkFlag, Bytes(BankSize)), F::Sna,
                  E::WrongSize, "bank 7 at 0xC000"},
        FaultCase{"sna_128K_bank_2_paged_but_5_banks", Edit(UkFlag, {{49181, 0x12}}), F::Sna,
                  E::WrongSize, "bank 2 at 0xC000"},
        FaultCase{"sna_48K_stack_in_ROM", Edit(IntSkip, {{23, 0xFF}, {24, 0x3F}}), F::Sna,
                  E::BadValue, "SP 0x3FFF"},
        FaultCase{"sna_48K_stack_at_the_top", Edit(IntSkip, {{23, 0xFF}, {24, 0xFF}}), F::Sna,
                  E::BadValue, "SP 0xFFFF"},
        FaultCase{"sna_128K_TR_DOS_paged", Edit(UkFlag, {{49182, 1}}), F::Sna, E::NotSpectrumRom,
                  "TR-DOS"},
        // .szx header and memory
        FaultCase{"szx_no_signature", Edit(Szx48, {{0, 'z'}}), F::Szx, E::UnknownFormat},
        FaultCase{"szx_version_2", Edit(Szx48, {{4, 2}}), F::Szx, E::UnknownVersion,
                  "zx-state version 2.4"},
        FaultCase{"szx_unknown_machine", Edit(Szx48, {{6, 40}}), F::Szx, E::UnknownMachine},
        FaultCase{"szx_Pentagon_128", Edit(Szx48, {{6, 7}}), F::Szx, E::OtherMachine,
                  "a Pentagon 128 snapshot: Bitreel restores"},
        FaultCase{"szx_page_past_16K", SzxPage0Of(BankSize + 1), F::Szx, E::BadPage, "page 0"},
        FaultCase{"szx_page_short_of_16K", SzxPage0Of(BankSize - 1), F::Szx, E::BadPage, "page 0"},
        FaultCase{"szx_page_damaged", SzxPage0Of(BankSize, 5), F::Szx, E::BadPage, "page 0"},
        FaultCase{"szx_stored_page_short",
                  Szx(1, Cat(Cat(Ramp(2), Ramp(5)), Ramp(0, Bytes(BankSize - 1), false))), F::Szx,
                  E::BadPage, "16383 bytes"},
        FaultCase{"szx_page_of_another_model", Szx(1, Cat(Pages48, Ramp(3))), F::Szx, E::BadPage,
                  "page 3"},
        FaultCase{"szx_missing_page", Szx(2, RampsUpTo(7)), F::Szx, E::Missing, "no page 7"},
        FaultCase{"szx_no_registers", Cat(Cut(Szx48, 8), Bytes(Szx48.begin() + 53, Szx48.end())),
                  F::Szx, E::Missing, "Z80R"},
        FaultCase{"szx_no_ULA_state", Cat(Cut(Szx48, 53), Pages48), F::Szx, E::Missing, "SPCR"},
        // .szx states that cannot be restored
        FaultCase{"szx_Plus3_disk_motor_on", Szx(5, Cat(Pages128, Chunk({"+3\0\0", 4}, {1, 1}))),
                  F::Szx, E::DiskInUse, "disk motor on"},
        FaultCase{"szx_Plus3_disk_in_drive",
                  Szx(5, Cat(Pages128, Chunk({"DSK\0", 4}, {0, 0, 1, 0, 0, 0, 0}))), F::Szx,
                  E::DiskInUse, "a disk in drive B"},
        FaultCase{"szx_Plus3_motor_in_0x1FFD", Szx(5, Pages128, 0x08), F::Szx, E::DiskInUse},
        FaultCase{"szx_Plus2A_all_RAM_paging", Szx(4, Pages128, 0x01), F::Szx, E::NotSpectrumRom,
                  "0x1FFD"},
        FaultCase{"szx_Interface_1_paged", Cat(Szx48, Chunk({"IF1\0", 4}, {4, 0, 1})), F::Szx,
                  E::NotSpectrumRom, "Interface 1"},
        FaultCase{"szx_Multiface_paged", Cat(Szx48, Chunk("MFCE", {0, 1})), F::Szx,
                  E::NotSpectrumRom, "Multiface"},
        FaultCase{"szx_TR_DOS_paged", Cat(Szx48, Chunk("B128", {4, 0, 0, 0})), F::Szx,
                  E::NotSpectrumRom, "TR-DOS"},
        FaultCase{"szx_Plus_D_paged", Cat(Szx48, Chunk("PLSD", {1, 0, 0, 0})), F::Szx,
                  E::NotSpectrumRom, "+D"},
        FaultCase{"szx_DivIDE_paged", Cat(Szx48, Chunk("DIDE", {2, 0})), F::Szx, E::NotSpectrumRom,
                  "DivIDE"},
        FaultCase{"szx_own_ROM", Cat(Szx48, Chunk({"ROM\0", 4}, {0, 0})), F::Szx, E::NotSpectrumRom,
                  "a ROM of its own"},
        FaultCase{"szx_Interface_2_cartridge", Cat(Szx48, Chunk("IF2R", {0})), F::Szx,
                  E::NotSpectrumRom, "Interface 2"},
        FaultCase{"szx_interrupt_mode_3", Edit(Szx48, {{8 + 8 + 28, 3}}), F::Szx, E::BadValue,
                  "interrupt mode 3"}),
    test::ByName{});

// ---- A file cut at each field boundary ----

struct CutCase {
    const char* name;
    const Bytes* whole;
    F format;
    std::vector<std::size_t> sizes;
    E error;
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotCuts : public testing::TestWithParam<CutCase> {};

TEST_P(SnapshotCuts, RefusedAtEachBoundary) {
    const CutCase& c = GetParam();
    for (const std::size_t size : c.sizes) {
        try {
            (void)ReadSnapshot(Cut(*c.whole, size), c.format);
            ADD_FAILURE() << "read without an error at " << size;
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), MakeError(c.error)) << size << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kept, SnapshotCuts,
    testing::Values(
        // A, F, BC, HL, PC, SP, I, R, flags, DE, BC', DE', HL', A', F', IY,
        // IX, IFF1, IFF2, IM; then the packed 48K.
        CutCase{"z80_header_and_v1_memory",
                &Ted,
                F::Z80,
                {0,  1,  2,  4,  6,  8,  10, 11, 12, 13, 15,   17,
                 19, 21, 22, 23, 25, 27, 28, 29, 30, 31, 20000},
                E::Cut},
        CutCase{"z80_v1_stored_memory", &Mandelbrot, F::Z80, {30, 49181}, E::Cut},
        // The extra header's length, PC, mode, 0x7FFD, Interface 1, flags,
        // the sound chip, the T-states; a page block's length, number, data.
        CutCase{"z80_extra_header_and_page",
                &Over48,
                F::Z80,
                {30, 31, 32, 34, 35, 36, 37, 38, 39, 55, 86, 88, 89, 90, 500},
                E::Cut},
        CutCase{"z80_between_pages", &Over48, F::Z80, {87, 775}, E::Missing},
        // (Cut after its first 48K, a 128K .sna is a whole 48K one.)
        CutCase{
            "sna", &UkFlag, F::Sna, {0, 26, 27, 49178, 49180, 49181, 49183, 131102}, E::WrongSize},
        // The zx-state header, a chunk's ID and size, Z80R's fields.
        CutCase{"szx_header_and_chunk",
                &Szx48,
                F::Szx,
                {0, 3, 4, 5, 6, 7, 10, 12, 14, 16, 36, 52},
                E::Cut},
        CutCase{"szx_between_chunks", &Szx48, F::Szx, {8 + 45 + 16}, E::Missing}),
    test::ByName{});

} // namespace
} // namespace bitreel
