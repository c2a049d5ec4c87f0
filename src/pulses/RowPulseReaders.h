#pragma once

// Each image format's rows as steps of pulses, read at a row's offset.

#include "pulses/PulseSteps.h"
#include "tape/TapeLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace bitreel {

// A block of bytes (flag, payload, checksum) as the machine's ROM saves it,
// then a pause of pauseMs.
[[nodiscard]] RowPulses RomRowPulses(std::span<const std::uint8_t> bytes, MachineKind machine,
                                     std::uint32_t pauseMs);

// The TZX block at offset (0 for the first, after the signature). A standard
// speed block of a Jupiter Ace tape plays in the Ace ROM's encoding.
[[nodiscard]] RowPulses TzxRowPulses(std::span<const std::uint8_t> file, std::size_t offset,
                                     MachineKind machine);

// The PZX block at offset.
[[nodiscard]] RowPulses PzxRowPulses(std::span<const std::uint8_t> file, std::size_t offset);

} // namespace bitreel
