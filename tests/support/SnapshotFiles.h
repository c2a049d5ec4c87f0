#pragma once

// The public test snapshots (tests/data/snapshots), read by Bitreel's own
// readers.

#include "tape/snapshot/ReadSnapshot.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel::test {

inline const std::filesystem::path SnapshotDir = BITREEL_SNAPSHOT_DIR;

// One of the test snapshots by its file name.
inline Snapshot TestSnapshot(const std::string& name) {
    std::ifstream in(SnapshotDir / name, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const auto format = SnapshotFormatOf(name);
    if (bytes.empty() || !format) {
        throw std::runtime_error("no snapshot " + name);
    }
    return ReadSnapshot(bytes, *format);
}

} // namespace bitreel::test
