#pragma once

#include <string_view>

namespace bitreel {

// Which computer the tape images belong to; the order follows the machine
// option buttons of the window (index 0 Spectrum, index 1 Jupiter Ace).
enum class MachineKind { Spectrum, JupiterAce };

// How blocks are stored in a tape image file.
enum class TapeLayout {
    SpectrumTap, // length, flag, payload, checksum
    AceTap,      // length, payload, checksum: no flag, headers and data alternate
    AceJup,      // stored like SpectrumTap, with 27-byte Ace headers
};

// The layout in force: Spectrum TAP for the Spectrum; for the Jupiter Ace,
// Ace TAP when formatText is exactly "TAP", else Ace JUP.
[[nodiscard]] TapeLayout LayoutInForce(MachineKind machine, std::string_view formatText);

// The path's last three characters, upper-cased, are "TAP".
[[nodiscard]] bool IsTapFile(std::string_view path);

} // namespace bitreel
