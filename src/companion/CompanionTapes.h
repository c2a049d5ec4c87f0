#pragma once

// The machine's side of the line, as tapes to load through EAR: Bitreel's
// own Z80 program for each machine, after a BASIC loader that loads it and
// starts LOAD "" over the line.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace bitreel {

enum class CompanionMachine { Spectrum128, Interface1 };

// The entry points, as offsets from where the CODE block loads.
inline constexpr std::uint16_t CompanionLoad = 0;    // LOAD "" over the line
inline constexpr std::uint16_t CompanionLdBytes = 3; // LD-BYTES: IX, DE, A = flag
inline constexpr std::uint16_t CompanionSaBytes = 6; // SA-BYTES: IX, DE, A = flag
inline constexpr std::uint16_t CompanionSave = 9;    // SAVE of the program in memory

// The tape for the machine: the loader's header and data, then the CODE
// block's.
[[nodiscard]] std::span<const std::uint8_t> CompanionTape(CompanionMachine machine);
// Where the CODE block loads and runs, the same for both machines.
[[nodiscard]] std::uint16_t CompanionOrigin();

// "spectrum128" and "interface1", as the command line names them.
[[nodiscard]] std::string_view CompanionName(CompanionMachine machine);
[[nodiscard]] std::optional<CompanionMachine> CompanionNamed(std::string_view name);

} // namespace bitreel
