#pragma once

#include "tape/snapshot/Snapshot.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace bitreel {

// A snapshot is a tape image too: the tape that loads it, as a TZX image.
// Building that tape is the fast loader's, which the tape library does not
// link, so the program installs the builder (at the speed it chose); the
// tape library still decides which files are snapshots and reads them.
// The builder throws std::system_error with a SnapshotError when it cannot
// restore the snapshot.
using SnapshotTapeBuilder = std::function<std::vector<std::uint8_t>(const Snapshot&)>;

void InstallSnapshotTapeBuilder(SnapshotTapeBuilder builder);

// ".Z80", ".SNA" or ".SZX", any case.
[[nodiscard]] bool IsSnapshotPath(const std::filesystem::path& path);

// A snapshot file read, and the tape that loads it.
struct SnapshotTape {
    std::shared_ptr<const Snapshot> snapshot;
    std::vector<std::uint8_t> tzx;
};

// Throws std::system_error: a SnapshotError when the file holds no snapshot
// that can be restored, ENOTSUP when no builder is installed, and what
// reading the file throws.
[[nodiscard]] SnapshotTape ReadSnapshotTape(const std::filesystem::path& path,
                                            std::uint64_t maxSize);

} // namespace bitreel
