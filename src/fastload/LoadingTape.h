#pragma once

// The tape that loads a snapshot: a text naming it, the bootstrap in the
// ROM's encoding, then the fast blocks: the loader's main part, each chunk
// of memory packed, the main part's place given back, and the tail's
// block. Each block's pilot is long enough for what the machine does
// before it listens (unpacking the chunk before, checking, restoring).

#include "fastload/MemoryPlan.h"
#include "pulses/FastTimings.h"
#include "tape/snapshot/Snapshot.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel::fastload {

struct LoadingTape {
    std::vector<std::uint8_t> tzx;
    // What each block of the TZX after its header holds, in the user's words.
    std::vector<std::string> blockTexts;
    MemoryPlan plan;
    std::size_t bootstrapBytes = 0; // the BASIC program the ROM loads
    std::size_t residentBytes = 0;  // of it, the resident part
    std::size_t mainBytes = 0;      // the main part, loaded fast
    // Of the 48 bytes below the program's stack the tail takes, how many it
    // leaves different from the snapshot's.
    std::size_t tailChanged = 0;
};

// Throws SnapshotRefused for a snapshot the loader cannot restore; speed is
// 1 (slowest) to FastestSpeed; name goes in the bootstrap's header.
[[nodiscard]] LoadingTape BuildLoadingTape(const Snapshot& snapshot, unsigned speed,
                                           std::string_view name = "bitreel");

[[nodiscard]] std::vector<std::uint8_t> LoadingTapeTzx(const Snapshot& snapshot, unsigned speed);

// "Snapshot 48K: PC 0xC064, IM 1, interrupts on, border 0", and what the
// loader cannot give back as it was, when anything.
[[nodiscard]] std::string SnapshotText(const Snapshot& snapshot);

} // namespace bitreel::fastload
