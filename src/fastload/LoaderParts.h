#pragma once

// The fast loader's bytes for one snapshot, from the assembled parts
// (machine/) with Bitreel's values put in at their symbols: the first
// steps and the resident part that go in the bootstrap's BASIC line, and
// the main part, moved to its page, with its table of chunks, the values
// it restores and the tail.

#include "fastload/MemoryPlan.h"
#include "pulses/FastTimings.h"

#include <cstdint>
#include <vector>

namespace bitreel::fastload {

// A chunk as the main part's table gives it.
struct LoadedChunk {
    Chunk chunk;
    std::vector<std::uint8_t> loaded; // what the tape gives, ending at chunk.end
    std::size_t unpackedEnd = 0;      // from chunk.start; 0: nothing to unpack
};

struct LoaderParts {
    std::vector<std::uint8_t> basicCode; // the first steps, then the resident part
    std::vector<std::uint8_t> main;      // at plan.mainAt
    std::vector<std::uint8_t> tail;      // as it lands below the program's stack
};

// The main part's bytes with a table of so many chunks.
[[nodiscard]] std::size_t MainPartSize(std::size_t chunks);

[[nodiscard]] LoaderParts BuildLoaderParts(const Snapshot& snapshot, const MemoryPlan& plan,
                                           const FastSpeed& speed,
                                           const std::vector<LoadedChunk>& chunks);

// The bytes the snapshot holds at [from, from + size).
[[nodiscard]] std::vector<std::uint8_t> SnapshotBytes(const Snapshot& snapshot, std::uint16_t from,
                                                      std::size_t size);

} // namespace bitreel::fastload
