#pragma once

// What the inspector shows of a snapshot beside its loading screen: the
// processor's and the machine's registers, and its memory in hex.

#include "tape/snapshot/Snapshot.h"

#include <span>
#include <string>

namespace bitreel::view {

// The loading screen's 6,912 bytes: the start of bank 5, at 0x4000, the
// screen shown while the snapshot loads, whichever screen 0x7FFD selects.
[[nodiscard]] std::span<const std::uint8_t> SnapshotScreen(const Snapshot& snapshot);

// A table, one register a line: AF, BC, DE, HL, the alternate set, IX, IY,
// SP, PC, I, R, IM, IFF1, IFF2, the border; 0x7FFD on 128K models, 0x1FFD
// on the +2A and +3, and the sound chip's sixteen registers with the one
// selected.
[[nodiscard]] std::string RegistersText(const Snapshot& snapshot);

// Memory in hex: a 48K's from 0x4000 to 0xFFFF (a 16K Spectrum's to
// 0x7FFF); a 128K model's bank by bank, each at the address it shows at,
// the one paged in at 0xC000 marked (bank 2 or 5 "also at 0xC000").
[[nodiscard]] std::string MemoryText(const Snapshot& snapshot);

} // namespace bitreel::view
