// The loading tape's TZX blocks.
#include "fastload/FastTzx.h"

#include "tape/PulseTimings.h"

#include <algorithm>

namespace bitreel::fastload {
namespace {

constexpr std::uint8_t ToggleLevel = 0;  // a symbol's pulse starts with an edge
constexpr std::uint32_t MaxRun = 0xFFFF; // a pilot run's repeats

} // namespace

FastTzx::FastTzx() {
    for (const char c : std::string_view("ZXTape!")) {
        Byte(static_cast<std::uint8_t>(c));
    }
    Byte(0x1A);
    Byte(1); // version 1.20
    Byte(20);
}

void FastTzx::Word(std::uint32_t value) {
    Byte(value);
    Byte(value >> 8);
}

void FastTzx::Dword(std::uint32_t value) {
    Word(value);
    Word(value >> 16);
}

void FastTzx::Text(std::string_view text) {
    const std::size_t size = std::min<std::size_t>(text.size(), 255);
    Byte(0x30);
    Byte(static_cast<std::uint32_t>(size));
    for (std::size_t i = 0; i < size; ++i) {
        Byte(static_cast<std::uint8_t>(text[i]));
    }
}

void FastTzx::RomBlock(std::span<const std::uint8_t> block, std::uint16_t pilotPulses) {
    const RomEncoding& rom = SpectrumRom;
    Byte(0x11);
    Word(rom.pilotPulse);
    Word(rom.sync1);
    Word(rom.sync2);
    Word(rom.zeroPulse);
    Word(rom.onePulse);
    Word(pilotPulses);
    Byte(8);
    Word(0); // no pause: the next block's pilot covers what the ROM does
    const auto size = static_cast<std::uint32_t>(block.size());
    Byte(size);
    Word(size >> 8);
    bytes_.insert(bytes_.end(), block.begin(), block.end());
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
    Byte(0x19);
    Dword(length);
    Word(0); // no pause: the next pilot follows at once
    Dword(static_cast<std::uint32_t>(runs.size()));
    Byte(1);
    Byte(static_cast<std::uint32_t>(pilotSymbols.size()));
    Dword(bits);
    Byte(1);
    Byte(2);
    for (const std::uint8_t samples : pilotSymbols) {
        Byte(ToggleLevel);
        Word(TStatesOfSamples(samples));
    }
    for (const auto& [symbol, repeats] : runs) {
        Byte(symbol);
        Word(repeats);
    }
    for (const std::uint8_t samples : {code.zero, code.one}) {
        Byte(ToggleLevel);
        Word(TStatesOfSamples(samples));
    }
    bytes_.insert(bytes_.end(), stream.begin(), stream.end());
}

} // namespace bitreel::fastload
