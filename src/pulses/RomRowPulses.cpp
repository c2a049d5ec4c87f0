// A block of bytes as the machine's own ROM saves it.
#include "pulses/RowPulseReaders.h"

namespace bitreel {

RowPulses RomRowPulses(std::span<const std::uint8_t> bytes, MachineKind machine,
                       std::uint32_t pauseMs) {
    const RomEncoding& rom =
        RomOf(machine == MachineKind::Spectrum ? PulseClock::Spectrum : PulseClock::JupiterAce);
    RowPulses row;
    auto& steps = row.steps;
    // A block of no bytes has no flag to load: the tape holds only its pause.
    if (!bytes.empty()) {
        const bool header = bytes[0] < rom.headerFlagsBelow;
        PulseStep pilot{.kind = PulseStep::Kind::Tone, .clock = rom.clock};
        pilot.length = rom.pilotPulse;
        pilot.count = header ? rom.headerPilotPulses : rom.dataPilotPulses;
        pilot.rom = &rom;
        steps.push_back(pilot);
        for (const std::uint32_t sync : {rom.sync1, rom.sync2}) {
            steps.push_back(
                {.kind = PulseStep::Kind::Tone, .clock = rom.clock, .length = sync, .count = 1});
        }
        PulseStep data{.kind = PulseStep::Kind::RomBytes, .clock = rom.clock};
        data.count = static_cast<std::uint32_t>(8 * bytes.size());
        data.data = bytes;
        data.rom = &rom;
        steps.push_back(data);
        if (rom.endMark != 0) {
            steps.push_back({.kind = PulseStep::Kind::Tone,
                             .clock = rom.clock,
                             .length = rom.endMark,
                             .count = 1});
        }
    }
    steps.push_back({.kind = PulseStep::Kind::Pause, .length = pauseMs});
    return row;
}

} // namespace bitreel
