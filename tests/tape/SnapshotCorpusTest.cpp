// The snapshots kept in tests/data/snapshots: what each holds, and the same
// state read back from an outside converter's .z80, .sna and .szx of it.
#include "tape/snapshot/ReadSnapshot.h"

#include "support/TempDir.h"
#include "support/TestNames.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {

namespace {

namespace fs = std::filesystem;

const fs::path SnapshotDir = BITREEL_SNAPSHOT_DIR;

Snapshot ReadFile(const fs::path& path) {
    return ReadSnapshot(test::ReadFileBytes(path), SnapshotFormatOf(path).value());
}

// The banks a model has, in the order a checksum reads them: a 48K's from
// 0x4000 up, a 128K's by number.
std::vector<std::size_t> BanksOf(const Snapshot& snapshot) {
    if (!Is128K(snapshot.model)) {
        return {Banks48K.begin(), Banks48K.end()};
    }
    return {0, 1, 2, 3, 4, 5, 6, 7};
}

std::uint32_t RamCrc(const Snapshot& snapshot) {
    uLong crc = crc32(0, nullptr, 0);
    for (const std::size_t bank : BanksOf(snapshot)) {
        crc = crc32(crc, snapshot.banks[bank].data(), uInt(BankSize));
    }
    return std::uint32_t(crc);
}

// What PROVENANCE.md gives for each file, and the CRC-32 of its RAM.
struct CorpusCase {
    const char* file;
    SpectrumModel model;
    std::uint16_t pc;
    std::uint16_t sp;
    std::uint8_t im;
    bool iff1;
    std::uint8_t border;
    std::uint8_t port7ffd;
    std::uint32_t ramCrc;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.file;
}

class SnapshotCorpus : public testing::TestWithParam<CorpusCase> {};

TEST_P(SnapshotCorpus, ReadsWhatTheFileHolds) {
    const CorpusCase& c = GetParam();
    const Snapshot snapshot = ReadFile(SnapshotDir / c.file);
    EXPECT_EQ(snapshot.model, c.model);
    EXPECT_FALSE(snapshot.ran16K);
    EXPECT_EQ(snapshot.regs.pc, c.pc);
    EXPECT_EQ(snapshot.regs.sp, c.sp);
    EXPECT_EQ(snapshot.regs.im, c.im);
    EXPECT_EQ(snapshot.regs.iff1, c.iff1);
    EXPECT_EQ(snapshot.border, c.border);
    EXPECT_EQ(snapshot.port7ffd, c.port7ffd);
    EXPECT_EQ(RamCrc(snapshot), c.ramCrc) << std::hex << RamCrc(snapshot);
}

using M = SpectrumModel;
INSTANTIATE_TEST_SUITE_P(Files, SnapshotCorpus,
                         testing::Values(CorpusCase{"peterlemon-Mandelbrot.z80", M::Spectrum48,
                                                    0x5CCB, 0x0000, 1, false, 0, 0, 0x9DD8FDF0},
                                         CorpusCase{"speccymac-technted.z80", M::Spectrum48, 0xC064,
                                                    0x5BFB, 1, true, 0, 0, 0xDE458EA9},
                                         CorpusCase{"zesarux-kempston_mouse_driver.z80",
                                                    M::Spectrum48, 0x0038, 0xEA4F, 1, false, 5, 0,
                                                    0xC9A5D521},
                                         CorpusCase{"zesarux-over48.z80", M::Spectrum48, 0x8181,
                                                    0x81FC, 2, false, 0, 0, 0xC9044444},
                                         CorpusCase{"espectrum-Dreamwalker.sna", M::Spectrum48,
                                                    0xAAC4, 0x6190, 2, true, 0, 0, 0xBC389DA1},
                                         CorpusCase{"zesarux-int_skip.sna", M::Spectrum48, 0x9000,
                                                    0x8FFC, 1, false, 7, 0, 0x16900549},
                                         CorpusCase{"rustzx-tape_48k.sna", M::Spectrum48, 0x05F3,
                                                    0xFF48, 1, false, 7, 0, 0xCC2BF8D7},
                                         CorpusCase{"zesarux-hires128.z80", M::Spectrum128, 0x8101,
                                                    0x7FE4, 2, false, 0, 0x17, 0x368673B0},
                                         CorpusCase{"zesarux-over128.z80", M::Spectrum128, 0x8181,
                                                    0x81FC, 2, false, 0, 0x10, 0x2E7552E3},
                                         CorpusCase{"zesarux-UKflag.sna", M::Spectrum128, 0x6200,
                                                    0x6000, 1, false, 7, 0x17, 0x7BCEC2B7},
                                         CorpusCase{"zesarux-DMAFill.sna", M::Spectrum128, 0x8000,
                                                    0xFFFE, 1, true, 0, 0x00, 0x4410FADC},
                                         CorpusCase{"rustzx-tape_128k.sna", M::Spectrum128, 0x05F3,
                                                    0xFF44, 1, false, 7, 0x10, 0xBFD66695}),
                         test::ByName{});

std::vector<fs::path> SnapshotFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(SnapshotDir)) {
        if (SnapshotFormatOf(entry.path())) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The converter reads every 128K .sna as a Pentagon 128's and writes that
// machine into its .z80 and .szx; the state is the 128K's all the same, so
// the test names the Spectrum 128 again before reading.
void UndoPentagon(std::vector<std::uint8_t>& bytes, SnapshotFormat format) {
    if (format == SnapshotFormat::Z80 && bytes.size() > 34 && bytes[34] == 9) {
        bytes[34] = 4;
    } else if (format == SnapshotFormat::Szx && bytes.size() > 6 && bytes[6] == 7) {
        bytes[6] = 2;
    }
}

// Two readings of one machine state. A .sna on either side holds no sound
// chip and IFF2 alone; a 48K .sna written from another format carries PC
// pushed into the two bytes below the program's SP.
void ExpectSameState(const Snapshot& original, const Snapshot& converted, bool snaInvolved,
                     bool pushedPc) {
    Snapshot expected = original;
    if (snaInvolved) {
        expected.regs.iff1 = converted.regs.iff1;
        expected.ay = converted.ay;
        expected.ayRegister = converted.ayRegister;
    }
    for (const std::uint16_t address : {original.regs.sp - 2, original.regs.sp - 1}) {
        if (pushedPc && address >= 0x4000) {
            expected.banks[expected.BankAt(address)][address % BankSize] = converted.At(address);
        }
    }
    EXPECT_EQ(converted.model, expected.model);
    EXPECT_EQ(converted.regs, expected.regs);
    EXPECT_EQ(converted.border, expected.border);
    EXPECT_EQ(converted.port7ffd, expected.port7ffd);
    EXPECT_EQ(converted.port1ffd, expected.port1ffd);
    EXPECT_EQ(converted.ay, expected.ay);
    EXPECT_EQ(converted.ayRegister, expected.ayRegister);
    for (const std::size_t bank : BanksOf(original)) {
        EXPECT_TRUE(converted.banks[bank] == expected.banks[bank]) << "bank " << bank;
    }
}

TEST(SnapshotReference, ConverterCopiesReadAsTheOriginal) {
    const std::string snapconv = BITREEL_SNAPCONV;
    if (snapconv.empty()) {
        GTEST_SKIP() << "snapconv (fuse-emulator-utils) not installed";
    }
    const test::TempDir dir;
    for (const fs::path& file : SnapshotFiles()) {
        const Snapshot original = ReadFile(file);
        const auto from = *SnapshotFormatOf(file);
        for (const char* extension : {".z80", ".sna", ".szx"}) {
            SCOPED_TRACE(file.filename().string() + " as " + extension);
            const fs::path copy = dir / (file.stem().string() + extension);
            const std::string command =
                snapconv + " " + Quoted(file) + " " + Quoted(copy) + " >/dev/null 2>&1";
            const auto to = *SnapshotFormatOf(copy);
            const bool sna48 = to == SnapshotFormat::Sna && !Is128K(original.model);
            if (std::system(command.c_str()) != 0) {
                // PC cannot be pushed into a .sna below a stack at 0x0000.
                EXPECT_TRUE(sna48 && original.regs.sp < 0x4002) << command;
                continue;
            }
            auto bytes = test::ReadFileBytes(copy);
            if (from == SnapshotFormat::Sna && Is128K(original.model)) {
                UndoPentagon(bytes, to);
            }
            const bool snaInvolved = from == SnapshotFormat::Sna || to == SnapshotFormat::Sna;
            ExpectSameState(original, ReadSnapshot(bytes, to), snaInvolved,
                            sna48 && from != SnapshotFormat::Sna);
        }
    }
}

} // namespace
} // namespace bitreel
