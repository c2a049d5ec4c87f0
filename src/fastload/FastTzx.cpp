// The loading tape's TZX blocks.
#include "fastload/FastTzx.h"

#include "pulses/PulseTimings.h"
#include "tape/formats/TzxWriter.h"

#include <algorithm>

namespace bitreel::fastload {
namespace {

constexpr std::uint8_t ToggleLevel = 0;  // a symbol's pulse starts with an edge
constexpr std::uint32_t MaxRun = 0xFFFF; // a pilot run's repeats

} // namespace

FastTzx::FastTzx() : bytes_(TzxFileHeader(MachineKind::Spectrum)) {}

void FastTzx::Text(std::string_view text) {
    AppendTzxText(bytes_, text);
}

void FastTzx::RomBlock(std::span<const std::uint8_t> block, std::uint16_t pilotPulses) {
    const RomEncoding& rom = SpectrumRom;
    // No pause: the next block's pilot covers what the ROM does.
    AppendTzxTurbo(
        bytes_, {rom.pilotPulse, rom.sync1, rom.sync2, rom.zeroPulse, rom.onePulse, pilotPulses, 8},
        0, block);
}

void FastTzx::FastBlock(const PulseCode& code, std::uint32_t pilotPulses,
                        std::span<const std::uint8_t> bytes, bool leastSignificantFirst) {
    std::vector<std::pair<std::uint8_t, std::uint32_t>> runs; // pilot symbol, repeats
    for (std::uint32_t left = pilotPulses; left > 0;) {
        const std::uint32_t run = std::min(left, MaxRun);
        runs.emplace_back(0, run);
        left -= run;
    }
    runs.emplace_back(1, 1);
    std::vector<std::uint8_t> pilotSymbols{code.pilot, code.sync};
    if (code.lead != 0) {
        runs.emplace_back(2, 1);
        pilotSymbols.push_back(code.lead);
    }
    // The data's bits, then a 0 whose pulse the next edge ends.
    std::vector<std::uint8_t> stream;
    std::uint32_t bits = 0;
    auto bit = [&](bool one) {
        if (bits % 8 == 0) {
            stream.push_back(0);
        }
        if (one) {
            stream.back() = static_cast<std::uint8_t>(stream.back() | 0x80 >> (bits % 8));
        }
        ++bits;
    };
    for (const std::uint8_t byte : bytes) {
        for (unsigned b = 0; b < 8; ++b) {
            bit(((byte >> (leastSignificantFirst ? b : 7 - b)) & 1) != 0);
        }
    }
    bit(false);

    const auto symbolSize = 3u;
    const auto length =
        static_cast<std::uint32_t>(2 + 4 + 1 + 1 + 4 + 1 + 1 + symbolSize * pilotSymbols.size() +
                                   3 * runs.size() + symbolSize * 2 + stream.size());
    TzxOut out(bytes_);
    out.Byte(0x19);
    out.Dword(length);
    out.Word(0); // no pause: the next pilot follows at once
    out.Dword(static_cast<std::uint32_t>(runs.size()));
    out.Byte(1);
    out.Byte(static_cast<std::uint32_t>(pilotSymbols.size()));
    out.Dword(bits);
    out.Byte(1);
    out.Byte(2);
    for (const std::uint8_t samples : pilotSymbols) {
        out.Byte(ToggleLevel);
        out.Word(TStatesOfSamples(samples));
    }
    for (const auto& [symbol, repeats] : runs) {
        out.Byte(symbol);
        out.Word(repeats);
    }
    for (const std::uint8_t samples : {code.zero, code.one}) {
        out.Byte(ToggleLevel);
        out.Word(TStatesOfSamples(samples));
    }
    out.Add(stream);
}

} // namespace bitreel::fastload
