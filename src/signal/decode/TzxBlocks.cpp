// Decoded blocks written as TZX blocks: the timings measured, the bytes as
// read, and what was not understood kept as sound.
#include "signal/decode/TzxBlocks.h"

#include "pulses/PulseTimings.h"
#include "tape/RowText.h"

#include <algorithm>
#include <cmath>

namespace bitreel {
namespace {

std::uint32_t Clamped(double value, std::uint32_t most) {
    return std::uint32_t(std::clamp(std::lround(value), 1L, long(most)));
}

std::string Position(const BitPosition& p) {
    return std::to_string(p.byte + 1) + "." + std::to_string(p.bit);
}

} // namespace

std::uint32_t TzxPauseMs(double fromSample, double toSample, std::uint32_t rate) {
    // The next block starts before the edge after this one: a loader of its
    // own saved them back to back, with no silence at all.
    if (toSample <= fromSample) {
        return 0;
    }
    return Clamped((toSample - fromSample) * 1000.0 / rate, 0xFFFF);
}

std::string DamageText(const DecodedBlock& block) {
    std::string text(DamageTextStart);
    if (block.announced) {
        text += std::to_string(block.bytes.size()) + " bytes where the header says " +
                std::to_string(*block.announced) + "; ";
    }
    if (block.uncheckedGuesses > 0) {
        text += std::to_string(block.uncheckedGuesses) +
                " bits guessed in dropouts that the checksum cannot check; ";
    }
    text += "least certain bits";
    for (const auto& p : block.weakest) {
        text += " " + Position(p);
    }
    // A last one that only fills the last byte was no gap in the sound.
    const std::size_t dropouts =
        block.dropouts.size() -
        (!block.dropouts.empty() && block.dropouts.back().resumeBit == block.bytes.size() * 8 ? 1
                                                                                              : 0);
    if (dropouts > 0) {
        text += "; " + std::to_string(dropouts) + (dropouts == 1 ? " dropout" : " dropouts") +
                " bridged";
    }
    if (block.repair) {
        text += "; repaired: flip";
        for (const auto& p : *block.repair) {
            text += " " + Position(p);
        }
    }
    return text;
}

std::size_t AppendTzxBlock(std::vector<std::uint8_t>& bytes, const DecodedBlock& b,
                           std::uint32_t pause) {
    if (!b.checksumGood) {
        AppendTzxText(bytes, DamageText(b));
    }
    // A standard speed block of a Jupiter Ace tape is at the Ace's ROM
    // timings, as the Ace's archives of tapes keep them.
    if (b.romTimings && b.bytes.size() <= 0xFFFF) {
        TzxOut out(bytes);
        out.Byte(0x10);
        const std::size_t pauseAt = out.At();
        out.Word(pause);
        out.Word(std::uint32_t(b.bytes.size()));
        out.Add(b.bytes);
        return pauseAt;
    }
    return AppendTzxTurbo(bytes,
                          {Clamped(b.pilot, 0xFFFF), Clamped(b.sync1, 0xFFFF),
                           Clamped(b.sync2, 0xFFFF), Clamped(b.zero, 0xFFFF),
                           Clamped(b.one, 0xFFFF), Clamped(double(b.pilotPulses), 0xFFFF),
                           b.lastBits},
                          pause, b.bytes);
}

std::size_t AppendTzxStretch(std::vector<std::uint8_t>& bytes, std::span<const double> edges,
                             std::uint32_t rate, std::uint32_t pause) {
    const double clock = ClockHz(PulseClock::Spectrum);
    const double period =
        double(std::max(std::lround(clock / std::max(rate, 1u)), DirectSampleAtLeast));
    // Each edge at the sample nearest its time, so that no rounding error
    // builds up; a pulse is a sample at least. The first is high: after the
    // low a pause leaves, its start is an edge.
    std::vector<std::uint8_t> samples;
    std::uint64_t at = 0;
    bool high = true;
    for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
        const auto end = std::max<std::uint64_t>(
            at + 1, std::uint64_t(std::llround((edges[k + 1] - edges[0]) * clock / rate / period)));
        for (; at < end; ++at) {
            if (at % 8 == 0) {
                samples.push_back(0);
            }
            if (high) {
                samples.back() |= std::uint8_t(0x80 >> (at % 8));
            }
        }
        high = !high;
    }
    TzxOut out(bytes);
    out.Byte(0x15);
    out.Word(std::uint32_t(period));
    const std::size_t pauseAt = out.At();
    out.Word(pause);
    out.Byte(at % 8 == 0 ? 8 : std::uint32_t(at % 8));
    out.Le(std::uint32_t(samples.size()), 3);
    out.Add(samples);
    return pauseAt;
}

void SetTzxPause(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t pauseMs) {
    bytes[at] = std::uint8_t(pauseMs);
    bytes[at + 1] = std::uint8_t(pauseMs >> 8);
}

} // namespace bitreel
