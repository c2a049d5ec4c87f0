#pragma once

// Writing TZX: the file's start and the blocks that more than one writer
// makes (a recording's blocks, a snapshot's loading tape), each layout in
// one place.

#include "tape/TapeLayout.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace bitreel {

// Appends little-endian values to a TZX file's bytes.
class TzxOut {
public:
    explicit TzxOut(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void Byte(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void Word(std::uint32_t value) { Le(value, 2); }
    void Dword(std::uint32_t value) { Le(value, 4); }
    void Le(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            Byte(value >> (8 * i));
        }
    }
    void Add(std::span<const std::uint8_t> more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
    }
    [[nodiscard]] std::size_t At() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t>& bytes_;
};

// "ZXTape!", 0x1A and the version, 1.20: what a TZX file starts with; for
// a Jupiter Ace tape then a hardware block that names the machine it runs
// on, so that the image lists as that machine's whatever block it starts
// with.
[[nodiscard]] std::vector<std::uint8_t> TzxFileHeader(MachineKind machine);

// A text block (0x30), cut to the 255 characters it holds.
void AppendTzxText(std::vector<std::uint8_t>& out, std::string_view text);

// A turbo speed data block's (0x11) pulse lengths, in T-states, and the
// bits used of its last byte.
struct TzxTurboTimings {
    std::uint32_t pilot = 0;
    std::uint32_t sync1 = 0;
    std::uint32_t sync2 = 0;
    std::uint32_t zero = 0;
    std::uint32_t one = 0;
    std::uint32_t pilotPulses = 0;
    std::uint32_t lastBits = 8;
};

// A turbo speed data block (0x11) of these bytes. Returns where in out its
// pause is stored, for a pause not known yet to be set later.
std::size_t AppendTzxTurbo(std::vector<std::uint8_t>& out, const TzxTurboTimings& timings,
                           std::uint32_t pauseMs, std::span<const std::uint8_t> bytes);

} // namespace bitreel
