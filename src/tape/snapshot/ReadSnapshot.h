#pragma once

// Opens a snapshot (.z80, .sna, .szx) as the one Snapshot value, whatever
// the format: the machine, its registers, paging and every RAM bank.

#include "tape/snapshot/Snapshot.h"
#include "tape/snapshot/SnapshotError.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace bitreel {

enum class SnapshotFormat : std::uint8_t { Z80, Sna, Szx };

// The format a name ends in (".z80", ".sna", ".szx", any case); no value
// for any other name.
[[nodiscard]] std::optional<SnapshotFormat> SnapshotFormatOf(const std::filesystem::path& path);

// The snapshot the bytes hold. Throws std::system_error with a SnapshotError
// when they are damaged, cut or of a version the format does not define, and
// when they hold a machine or a state that cannot be restored on a Spectrum
// 48K, 128K, +2, +2A or +3 (a 16K Spectrum's is read as a 48K's, ran16K set).
[[nodiscard]] Snapshot ReadSnapshot(std::span<const std::uint8_t> bytes, SnapshotFormat format);

} // namespace bitreel
