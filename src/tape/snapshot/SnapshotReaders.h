#pragma once

// One reader per snapshot format, each filling a Snapshot from a file's
// bytes or throwing a SnapshotError; ReadSnapshot picks the one a file's
// name asks for and checks what every format shares.

#include "tape/formats/ByteCursor.h"
#include "tape/snapshot/Snapshot.h"
#include "tape/snapshot/SnapshotError.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace bitreel {

[[nodiscard]] Snapshot ReadZ80Snapshot(std::span<const std::uint8_t> bytes);
[[nodiscard]] Snapshot ReadSnaSnapshot(std::span<const std::uint8_t> bytes);
[[nodiscard]] Snapshot ReadSzxSnapshot(std::span<const std::uint8_t> bytes);

// A field read through a ByteCursor; a file that ends inside it is cut.
template <typename Value> Value Need(std::optional<Value> field, const std::string& where) {
    if (!field) {
        throw SnapshotFailure(SnapshotError::Cut, where);
    }
    return *field;
}

inline void NeedSkip(ByteCursor& in, std::size_t count, const std::string& where) {
    if (!in.Skip(count)) {
        throw SnapshotFailure(SnapshotError::Cut, where);
    }
}

} // namespace bitreel
