// The companion tapes, assembled by the build and kept in the program.
#include "companion/CompanionTapes.h"

namespace bitreel {

extern const std::uint8_t kSpectrum128Tape[];
extern const std::uint32_t kSpectrum128TapeSize;
extern const std::uint8_t kInterface1Tape[];
extern const std::uint32_t kInterface1TapeSize;

std::span<const std::uint8_t> CompanionTape(CompanionMachine machine) {
    if (machine == CompanionMachine::Interface1) {
        return {kInterface1Tape, kInterface1TapeSize};
    }
    return {kSpectrum128Tape, kSpectrum128TapeSize};
}

std::uint16_t CompanionOrigin() {
    return BITREEL_COMPANION_ORIGIN;
}

std::string_view CompanionName(CompanionMachine machine) {
    return machine == CompanionMachine::Interface1 ? "interface1" : "spectrum128";
}

std::optional<CompanionMachine> CompanionNamed(std::string_view name) {
    for (const auto machine : {CompanionMachine::Spectrum128, CompanionMachine::Interface1}) {
        if (name == CompanionName(machine)) {
            return machine;
        }
    }
    return std::nullopt;
}

} // namespace bitreel
