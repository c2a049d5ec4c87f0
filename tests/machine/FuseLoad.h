#pragma once

// A snapshot's loading sound loaded by FUSE, an emulator nobody here wrote,
// with the free OpenSE BASIC ROM: LOAD "" typed at its keyboard, the ROM's
// loader starting the tape by FUSE's trap, the machine it ends with read
// through FUSE's debugger at the program's first instruction.

#include "machine/FastLoadRig.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bitreel::test {

struct FuseOutcome {
    bool reachedProgram = false;
    // From the first pilot edge to the program's first instruction, in the
    // emulated machine's time (FUSE plays a WAV a little fast: it takes
    // whole T-states a sample).
    double seconds = 0;
    std::vector<std::string> differences;
    std::string log; // what FUSE said, when it did not reach the program
};

// Empty when FUSE and the OpenSE ROM are installed; else what is missing.
[[nodiscard]] std::string FuseMissing();

// The tape's WAV as WriteLoadingWav writes it for the playback, loaded on
// FUSE's 48K, 128 or +2A, as the snapshot's model; FUSE is killed after
// wallSeconds.
[[nodiscard]] FuseOutcome LoadInFuse(const fastload::LoadingTape& tape, const Snapshot& snapshot,
                                     const Playback& playback, double wallSeconds = 60);

} // namespace bitreel::test
