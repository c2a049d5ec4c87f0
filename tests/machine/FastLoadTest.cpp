// Snapshots restored on an emulated Spectrum from Bitreel's loading tape:
// every byte of RAM (but the 48 below the snapshot's SP), every register, the
// paging, the sound chip and the border, from the tape's pulses and from
// its sound at 44.1 and 48 kHz, 3% fast or slow, inverted, on the model
// the snapshot is for and on others; a damaged chunk stops the machine; a
// 128K program is refused on a 48K; what cannot be restored is refused.
#include "FastLoaderImages.h"
#include "fastload/LoaderParts.h"
#include "machine/FastLoadRig.h"
#include "support/SnapshotFiles.h"
#include "tape/TapeImage.h"

#include <gtest/gtest.h>
#include <z80ex/z80ex.h>

#include <string>

namespace bitreel::test {
namespace {

using fastload::BuildLoadingTape;
using fastload::DefaultSpeed;
using SM = SpectrumModel;

struct RestoreCase {
    const char* name;
    const char* file;
    std::optional<SM> machine; // none: the snapshot's own
    Playback playback;
    unsigned speed = DefaultSpeed;
    std::function<void(Snapshot&)> recast = {}; // a made-up snapshot from the file's
};

void PrintTo(const RestoreCase& c, std::ostream* out) {
    *out << c.name;
}

constexpr Playback Pulses{0, 1.0, false, true};
constexpr Playback At44k{44'100, 1.0, false, true};
constexpr Playback At48k{48'000, 1.0, false, true};

class Restore : public testing::TestWithParam<RestoreCase> {};

TEST_P(Restore, EveryByteRegisterAndPortAsTheSnapshotHoldsThem) {
    const RestoreCase& c = GetParam();
    Snapshot snapshot = TestSnapshot(c.file);
    if (c.recast) {
        c.recast(snapshot);
    }
    const fastload::LoadingTape tape = BuildLoadingTape(snapshot, c.speed);
    FastLoadRig rig(tape, c.machine.value_or(snapshot.model), c.playback);
    const LoadOutcome outcome = rig.Run();
    ASSERT_TRUE(outcome.reachedProgram) << "stopped at " << outcome.stoppedAt;
    const std::vector<std::string> differences = rig.Differences(snapshot);
    for (const std::string& difference : differences) {
        ADD_FAILURE() << difference;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, Restore,
    testing::Values(
        RestoreCase{"TechnicianTedFromPulses", "speccymac-technted.z80", {}, Pulses},
        RestoreCase{"TechnicianTedAt44k", "speccymac-technted.z80", {}, At44k},
        RestoreCase{
            "TechnicianTedAt48kFast", "speccymac-technted.z80", {}, {48'000, 1.03, false, true}},
        RestoreCase{"TechnicianTedAt44kSlowInverted",
                    "speccymac-technted.z80",
                    {},
                    {44'100, 0.97, true, true}},
        RestoreCase{"TechnicianTedSlowest", "speccymac-technted.z80", {}, At48k, 1},
        // The stack at 0: the tail below it at the top of memory.
        RestoreCase{"MandelbrotStackAtZero", "peterlemon-Mandelbrot.z80", {}, At48k},
        // The program goes on in the ROM's interrupt routine.
        RestoreCase{"KempstonPcInTheRom", "zesarux-kempston_mouse_driver.z80", {}, At44k},
        // IM 2; the stack where the main part would stand: it moves up.
        RestoreCase{"Over48StackAtTheLoader", "zesarux-over48.z80", {}, Pulses},
        // A 48K program on a 128 and a +2A: the 48 BASIC ROM, paging locked.
        RestoreCase{"DreamwalkerOn128", "espectrum-Dreamwalker.sna", SM::Spectrum128, At44k},
        RestoreCase{"IntSkipOnPlus2A", "zesarux-int_skip.sna", SM::Plus2A, At48k},
        RestoreCase{"Hires128At48kFast", "zesarux-hires128.z80", {}, {48'000, 1.03, false, true}},
        // The stack, and so the tail, in memory the screen slows.
        RestoreCase{"UkFlagTailContended", "zesarux-UKflag.sna", {}, {44'100, 0.97, false, true}},
        // Bank 2 paged at 0xC000 and the stack in it: the tail, written
        // after the paging, stands in bank 2 where the main part would.
        RestoreCase{"UkFlagTailInBank2PagedHigh",
                    "zesarux-UKflag.sna",
                    {},
                    Pulses,
                    DefaultSpeed,
                    [](Snapshot& s) {
                        s.port7ffd = 0x12;
                        s.regs.sp = 0xC180;
                    }},
        RestoreCase{"DmaFillFromPulses", "zesarux-DMAFill.sna", {}, Pulses},
        RestoreCase{"Over48At48kSlow", "zesarux-over48.z80", {}, {48'000, 0.97, false, true}},
        RestoreCase{"Tape128kOnPlus2A", "rustzx-tape_128k.sna", SM::Plus2A, At44k},
        // A +2A program: its 0x1FFD as well as its 0x7FFD.
        RestoreCase{
            "Hires128AsPlus2A", "zesarux-hires128.z80", {}, At48k, DefaultSpeed, [](Snapshot& s) {
                s.model = SM::Plus2A;
                s.port1ffd = 0x14;
            }}));

// A block damaged on the tape: the machine stops and never runs the
// program; a chunk's check gives red and white stripes on the border, the
// last block's leaves the border red.
struct DamageCase {
    const char* name;
    std::size_t fromLast; // the damaged block, counted back from the last
    bool stripes;
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.name;
}

class Damage : public testing::TestWithParam<DamageCase> {};

TEST_P(Damage, StopsTheMachineVisibly) {
    const DamageCase& c = GetParam();
    const Snapshot snapshot = TestSnapshot("speccymac-technted.z80");
    fastload::LoadingTape tape = BuildLoadingTape(snapshot, DefaultSpeed);
    TapeImage image(tape.tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap,
                    false);
    image.IndexAll();
    // A bit in the middle of the block's data.
    const std::size_t row = image.RowCount() - 1 - c.fromLast;
    const std::size_t end = row + 1 < image.RowCount() ? image.RowOffset(row + 1) : tape.tzx.size();
    tape.tzx[(image.RowOffset(row) + end) / 2] ^= 0x10;
    FastLoadRig rig(tape, SM::Spectrum48, At44k);
    const LoadOutcome outcome = rig.Run(40);
    EXPECT_FALSE(outcome.reachedProgram);
    PagedSpectrum& machine = rig.Machine();
    machine.TakeBorderChanges();
    machine.RunUntil([](const PagedSpectrum&) { return false; }, 100'000);
    const auto changes = machine.TakeBorderChanges();
    if (c.stripes) {
        EXPECT_GE(outcome.stoppedAt, loader::fastboot::fail);
        EXPECT_LT(outcome.stoppedAt, loader::fastboot::load);
        ASSERT_GE(changes.size(), 1000u);
        for (const auto& change : changes) {
            EXPECT_TRUE(change.colour == 2 || change.colour == 7);
        }
    } else {
        EXPECT_TRUE(changes.empty());
        EXPECT_EQ(machine.Border(), 2);
        EXPECT_GE(outcome.stoppedAt, tape.plan.tailAt);
        EXPECT_LT(outcome.stoppedAt, tape.plan.tailAt + fastload::TailBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, Damage,
                         testing::Values(DamageCase{"AChunk", 3, true},
                                         DamageCase{"TheMainPartsPlace", 1, true},
                                         DamageCase{"TheLastBlock", 0, false}));

// A 128K program on a 48K: the first steps say so on the screen, through
// the ROM, and go back to BASIC before anything is loaded.
TEST(FastLoadRefusal, A128KProgramOnA48KSaysItNeedsA128) {
    const Snapshot snapshot = TestSnapshot("zesarux-hires128.z80");
    const fastload::LoadingTape tape = BuildLoadingTape(snapshot, DefaultSpeed);
    FastLoadRig rig(tape, SM::Spectrum48, At44k);
    const LoadOutcome outcome = rig.Run(1);
    ASSERT_EQ(outcome.romAt, 0x1601) << "CHAN-OPEN, before the message";
    // Under CHAN-OPEN's return: the code's address, kept to find the text.
    const auto at = static_cast<std::uint16_t>(rig.Machine().Register(regSP) + 2);
    const std::uint16_t message =
        static_cast<std::uint16_t>(rig.Machine().Peek(at) | rig.Machine().Peek(at + 1) << 8) +
        loader::prologue128::message;
    std::string text;
    for (std::uint16_t a = message;; ++a) {
        const std::uint8_t c = rig.Machine().Peek(a);
        text += static_cast<char>(c & 0x7F);
        if (c & 0x80) {
            break;
        }
    }
    EXPECT_EQ(text, "This program needs a 128K Spectrum");
    EXPECT_EQ(rig.Machine().Peek(loader::fastboot::load), 0) << "the resident part was copied";
}

// Where the loader stands and the chunks it loads: every byte of RAM in one
// chunk or in the loader's place, the loader clear of the tail, the screen
// first, each bank of a 128 paged for its chunk.
struct PlanCase {
    const char* name;
    SM model;
    std::uint16_t sp;
    bool ran16K = false;
    std::uint8_t port7ffd = 0;
};

void PrintTo(const PlanCase& c, std::ostream* out) {
    *out << c.name;
}

class Plans : public testing::TestWithParam<PlanCase> {};

TEST_P(Plans, EveryByteOnceAroundTheLoaderAndClearOfTheTail) {
    const PlanCase& c = GetParam();
    Snapshot snapshot;
    snapshot.model = c.model;
    snapshot.ran16K = c.ran16K;
    snapshot.regs.sp = c.sp;
    snapshot.port7ffd = c.port7ffd;
    const fastload::MemoryPlan plan = fastload::PlanMemory(snapshot, fastload::MainPartSize);
    const std::uint32_t mainEnd = plan.mainAt + static_cast<std::uint32_t>(plan.mainSize);
    EXPECT_EQ(plan.mainAt % 256, 0);
    EXPECT_GE(plan.mainAt, 0x8100);
    EXPECT_LE(mainEnd, 0xC000u);
    const std::uint32_t tailEnd = c.sp == 0 ? 0x10000 : c.sp;
    EXPECT_EQ(plan.tailAt, static_cast<std::uint16_t>(tailEnd - fastload::TailBytes));
    // The tail's bytes in bank 2, also where bank 2 is paged at 0xC000.
    for (std::uint32_t a = plan.tailAt; a < tailEnd; ++a) {
        const bool high = a >= 0xC000 && Is128K(c.model) && (c.port7ffd & 7) == 2;
        const std::uint32_t in2 = high ? a - 0x4000 : a;
        EXPECT_TRUE(in2 < plan.residentAt || in2 >= mainEnd || (in2 >= 0x8100 && in2 < plan.mainAt))
            << "the tail at " << a << " is on the loader";
    }
    ASSERT_FALSE(plan.chunks.empty());
    EXPECT_EQ(plan.chunks.front().start, 0x4000u);
    EXPECT_EQ(plan.chunks.front().end, 0x5B00u);

    // Each byte of each bank, counted where a chunk or the loader covers it.
    std::array<std::array<int, BankSize>, 8> covered{};
    const bool is128 = Is128K(c.model);
    auto bankAt = [&](std::uint32_t address, std::size_t paged) -> std::size_t {
        return address < 0x8000 ? 5 : address < 0xC000 ? 2 : paged;
    };
    for (const fastload::Chunk& chunk : plan.chunks) {
        if (is128 && chunk.start >= 0xC000) {
            EXPECT_EQ(chunk.page, static_cast<std::uint8_t>(0x10 | chunk.bank));
        }
        for (std::uint32_t a = chunk.start; a < chunk.end; ++a) {
            ++covered[bankAt(a, chunk.bank)][a % BankSize];
        }
    }
    for (std::uint32_t a = plan.residentAt; a < 0x8100; ++a) {
        ++covered[2][a % BankSize];
    }
    for (std::uint32_t a = plan.mainAt; a < mainEnd; ++a) {
        ++covered[2][a % BankSize];
    }
    // A 16K program's bank 2 holds the loader alone.
    const std::vector<std::size_t> banks = is128 ? std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}
                                           : c.ran16K ? std::vector<std::size_t>{5, 0}
                                                      : std::vector<std::size_t>{5, 2, 0};
    for (const std::size_t bank : banks) {
        const bool wanted = bank != 0 || !c.ran16K;
        for (std::size_t i = 0; i < BankSize; ++i) {
            ASSERT_EQ(covered[bank][i], wanted ? 1 : 0) << "bank " << bank << " offset " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stacks, Plans,
    testing::Values(PlanCase{"Spectrum48", SM::Spectrum48, 0xF000},
                    PlanCase{"StackAtZero", SM::Spectrum48, 0x0000},
                    PlanCase{"StackJustAboveTheResidentPart", SM::Spectrum48, 0x8130},
                    PlanCase{"StackInTheMainPartsPage", SM::Plus2A, 0x81FC},
                    PlanCase{"Sixteen", SM::Spectrum48, 0x7F00, true},
                    PlanCase{"Spectrum128", SM::Spectrum128, 0xC000},
                    PlanCase{"StackInBank2PagedHigh", SM::Spectrum128, 0xC130, false, 0x12},
                    PlanCase{"Plus3StackInTheScreen", SM::Plus3, 0x4100}));

struct RefusalCase {
    const char* name;
    std::function<void(Snapshot&)> change;
    const char* reason;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, SayWhy) {
    Snapshot snapshot;
    snapshot.regs.sp = 0xF000;
    GetParam().change(snapshot);
    try {
        (void)BuildLoadingTape(snapshot, DefaultSpeed);
        FAIL() << "not refused";
    } catch (const fastload::SnapshotRefused& refused) {
        EXPECT_NE(std::string(refused.what()).find(GetParam().reason), std::string::npos)
            << refused.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, Refusals,
    testing::Values(RefusalCase{"StackInTheRom", [](Snapshot& s) { s.regs.sp = 0x3FFE; },
                                "in the ROM"},
                    RefusalCase{"StackReachingIntoTheRom", [](Snapshot& s) { s.regs.sp = 0x4020; },
                                "reach into the ROM"},
                    RefusalCase{"StackOnTheResidentPart", [](Snapshot& s) { s.regs.sp = 0x80A0; },
                                "resident part"},
                    RefusalCase{"StackOnTheResidentPartInBank2PagedHigh",
                                [](Snapshot& s) {
                                    s.model = SM::Spectrum128;
                                    s.port7ffd = 0x12;
                                    s.regs.sp = 0xC0A0;
                                },
                                "in bank 2, paged at 0xC000"},
                    RefusalCase{"AllRamPagingOfThePlus3",
                                [](Snapshot& s) {
                                    s.model = SM::Plus3;
                                    s.port1ffd = 0x01;
                                },
                                "all-RAM paging"}));

} // namespace
} // namespace bitreel::test
