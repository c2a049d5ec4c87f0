// Bitreel's loading sound of a 48K and a 128K snapshot loaded by FUSE with
// the OpenSE ROM, through the ROM's own LOAD "" for the bootstrap: the
// machine it ends with is the snapshot's, every byte, register and port
// its debugger shows.
#include "machine/FuseLoad.h"
#include "support/SnapshotFiles.h"

#include <gtest/gtest.h>

namespace bitreel::test {
namespace {

struct FuseCase {
    const char* name;
    const char* file;
    std::uint32_t rate;
};

void PrintTo(const FuseCase& c, std::ostream* out) {
    *out << c.name;
}

class InFuse : public testing::TestWithParam<FuseCase> {};

TEST_P(InFuse, LoadsThroughLoadQuotesAsTheSnapshotHoldsIt) {
    if (const std::string missing = FuseMissing(); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    const FuseCase& c = GetParam();
    const Snapshot snapshot = TestSnapshot(c.file);
    const fastload::LoadingTape tape = fastload::BuildLoadingTape(snapshot, fastload::DefaultSpeed);
    const FuseOutcome outcome = LoadInFuse(tape, snapshot, {c.rate, 1.0, false, true});
    ASSERT_TRUE(outcome.reachedProgram) << outcome.log;
    for (const std::string& difference : outcome.differences) {
        ADD_FAILURE() << difference;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, InFuse,
    testing::Values(FuseCase{"TechnicianTed48KAt44k", "speccymac-technted.z80", 44'100},
                    FuseCase{"Hires128At48k", "zesarux-hires128.z80", 48'000}));

} // namespace
} // namespace bitreel::test
