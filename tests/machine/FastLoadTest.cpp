// Snapshots restored on an emulated Spectrum from Bitreel's loading tape:
// every byte of RAM (but the tail's, below the stack), every register, the
// paging, the sound chip and the border, from the tape's pulses and from
// its sound at 44.1 and 48 kHz, 3% fast or slow, inverted, on the model
// the snapshot is for and on others; a damaged chunk stops the machine; a
// 128K program is refused on a 48K; what cannot be restored is refused.
#include "FastLoaderImages.h"
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
    const Snapshot snapshot = ReadSnapshot(c.file);
    const fastload::LoadingTape tape = BuildLoadingTape(snapshot, c.speed);
    FastLoadRig rig(tape, c.machine.value_or(snapshot.model), c.playback);
    const LoadOutcome outcome = rig.Run();
    ASSERT_TRUE(outcome.reachedProgram) << "stopped at " << outcome.stoppedAt;
    const std::vector<std::string> differences = rig.Differences(snapshot);
    for (const std::string& difference : differences) {
        ADD_FAILURE() << difference;
    }
    EXPECT_LE(tape.tailChanged, fastload::TailBytes);
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
        RestoreCase{"DmaFillFromPulses", "zesarux-DMAFill.sna", {}, Pulses},
        RestoreCase{"Tape128kOnPlus2A", "rustzx-tape_128k.sna", SM::Plus2A, At44k}));

// A chunk's block damaged on the tape: the machine stops with red and white
// stripes on the border and never runs the program.
TEST(FastLoadDamage, ADamagedChunkStopsTheMachine) {
    const Snapshot snapshot = ReadSnapshot("speccymac-technted.z80");
    fastload::LoadingTape tape = BuildLoadingTape(snapshot, DefaultSpeed);
    TapeImage image(tape.tzx, ImageFormat::Tzx, MachineKind::Spectrum, TapeLayout::SpectrumTap,
                    false);
    image.IndexAll();
    // A bit in the middle of the second chunk's data.
    const std::size_t row = FastLoadRig::FirstFastRow + 2;
    const std::size_t middle = (image.RowOffset(row) + image.RowOffset(row + 1)) / 2;
    tape.tzx[middle] ^= 0x10;
    FastLoadRig rig(tape, SM::Spectrum48, At44k);
    const LoadOutcome outcome = rig.Run(40);
    EXPECT_FALSE(outcome.reachedProgram);
    EXPECT_GE(outcome.stoppedAt, loader::fastboot::fail);
    EXPECT_LT(outcome.stoppedAt, loader::fastboot::load);
    rig.Machine().TakeBorderChanges();
    rig.Machine().RunUntil([](const PagedSpectrum&) { return false; }, 10'000);
    const auto stripes = rig.Machine().TakeBorderChanges();
    ASSERT_GE(stripes.size(), 100u);
    for (const auto& change : stripes) {
        EXPECT_TRUE(change.colour == 2 || change.colour == 7);
    }
}

// A 128K program on a 48K: the first steps say so on the screen, through
// the ROM, and go back to BASIC before anything is loaded.
TEST(FastLoadRefusal, A128KProgramOnA48KSaysItNeedsA128) {
    const Snapshot snapshot = ReadSnapshot("zesarux-hires128.z80");
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
                                "in the ROM"},
                    RefusalCase{"StackOnTheResidentPart", [](Snapshot& s) { s.regs.sp = 0x80A0; },
                                "resident part"},
                    RefusalCase{"AllRamPagingOfThePlus3",
                                [](Snapshot& s) {
                                    s.model = SM::Plus3;
                                    s.port1ffd = 0x01;
                                },
                                "all-RAM paging"}));

} // namespace
} // namespace bitreel::test
