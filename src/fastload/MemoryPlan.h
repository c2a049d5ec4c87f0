#pragma once

// Where the fast loader stands in the machine while it loads a snapshot,
// and the chunks it loads the rest of memory in.
//
// The resident part keeps the top of page 0x80 (bank 2, which no model
// contends or pages away); the main part a page of bank 2 after it, or
// further up when the program's stack needs that place. The tail takes the
// 48 bytes below the program's stack. Every other byte of RAM comes in a
// chunk: the screen first, so that the user sees the load work, then the
// rest of banks 5 and 2, then each bank that pages in at 0xC000 (none above
// 0x8000 for a program of a 16K Spectrum).

#include "tape/snapshot/Snapshot.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel::fastload {

// A snapshot the loader cannot restore, with the reason in the user's words.
class SnapshotRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Chunk {
    // The bank at 0xC000 while it loads (by the 128's numbering): for a
    // chunk from 0xC000 up, its own.
    std::size_t bank = 0;
    std::uint32_t start = 0; // where it sits while it loads: [start, end)
    std::uint32_t end = 0;
    // What 0x7FFD is set to before it loads, when it must be.
    std::optional<std::uint8_t> page;
};

struct MemoryPlan {
    std::uint16_t residentAt = 0; // the resident part, up to 0x8100
    std::uint16_t mainAt = 0;     // the main part, on a page boundary
    std::size_t mainSize = 0;
    std::uint16_t tailAt = 0;  // the program's SP - 48
    std::vector<Chunk> chunks; // in the order they load
};

inline constexpr std::size_t TailBytes = 48;

// mainSize(chunks): the main part's bytes with a table of so many chunks.
// Throws SnapshotRefused when the program's stack leaves the tail no room.
[[nodiscard]] MemoryPlan PlanMemory(const Snapshot& snapshot,
                                    std::size_t (*mainSize)(std::size_t chunks));

} // namespace bitreel::fastload
