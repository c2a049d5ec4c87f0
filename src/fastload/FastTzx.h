#pragma once

// The TZX blocks of a snapshot's loading tape: a text naming it, the
// bootstrap's blocks as turbo blocks (0x11) at the ROM's timings with
// pilots cut to what the ROM needs, and the fast blocks as generalized data
// blocks (0x19), which hold one pulse a bit exactly.

#include "pulses/FastTimings.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace bitreel::fastload {

class FastTzx {
public:
    FastTzx();

    // A text block (0x30), cut to the 255 characters it holds.
    void Text(std::string_view text);
    // A ROM block (flag, bytes, checksum) at the ROM's timings.
    void RomBlock(std::span<const std::uint8_t> block, std::uint16_t pilotPulses);
    // A fast block: the pilot, sync and lead-in, then bytes, each bit one
    // pulse, the most significant bit first (least, when asked), and a
    // pulse whose edge ends the last bit.
    void FastBlock(const PulseCode& code, std::uint32_t pilotPulses,
                   std::span<const std::uint8_t> bytes, bool leastSignificantFirst = false);

    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace bitreel::fastload
