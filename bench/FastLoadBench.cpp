#include "machine/FuseLoad.h"
#include "support/SnapshotFiles.h"
#include "support/TempDir.h"
#include <cstdio>
#include <string>
using namespace bitreel;
using namespace bitreel::test;
int main(int, char** argv) {
    const Snapshot s = TestSnapshot(argv[1]);
    const auto tape = fastload::BuildLoadingTape(s, std::stoi(argv[2]));
    TempDir dir;
    Playback p{static_cast<std::uint32_t>(std::stoi(argv[3])), 1.0, false, true};
    WriteLoadingWav(tape, p, dir / "t.wav");
    Snapshot s2 = s; s2.banks[0][100] ^= 1; s2.banks[7][5] ^= 1; s2.regs.r ^= 1; s2.border ^= 1;
    const FuseOutcome o = LoadInFuse(tape, s2, dir / "t.wav");
    std::printf("reached %d %.2f s\n%s\n", o.reachedProgram, o.seconds, o.log.c_str());
    for (auto& d : o.differences) std::printf("%s\n", d.c_str());
}
