#pragma once

// Reads rendered tape audio back into blocks the way a ROM loader would,
// from the machine's timing table alone: it finds a pilot tone, the two
// sync pulses, then takes pulses in pairs as bits until the signal rests.
// Written for clean audio, to check what the renderer makes; it is no
// decoder for real cassettes.

#include "pulses/PulseTimings.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace bitreel::test {

using DecodedBlock = std::vector<std::uint8_t>; // flag, payload, checksum

// The lengths between the signal's edges (where its sign changes), in
// T-states of the clock.
inline std::vector<double> EdgeIntervals(std::span<const std::int16_t> samples, std::uint32_t rate,
                                         PulseClock clock) {
    std::vector<double> intervals;
    const double perSample = double(ClockHz(clock)) / rate;
    std::size_t last = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if ((samples[i] >= 0) != (samples[i - 1] >= 0)) {
            intervals.push_back(double(i - last) * perSample);
            last = i;
        }
    }
    intervals.push_back(double(samples.size() - last) * perSample);
    return intervals;
}

inline std::vector<DecodedBlock> DecodeEar(std::span<const std::int16_t> samples,
                                           std::uint32_t rate, const RomEncoding& rom) {
    const auto intervals = EdgeIntervals(samples, rate, rom.clock);
    const auto near = [](double value, double target) {
        return value > target * 0.85 && value < target * 1.15;
    };
    // A sample is at most 1/22050 s: a pulse may come out that much off.
    const double slack = double(ClockHz(rom.clock)) / 22050;
    const double bitPair = double(rom.zeroPulse + rom.onePulse); // midway between a 0 and a 1
    const double rest = 2.5 * rom.onePulse;
    constexpr std::size_t PilotAtLeast = 256;

    std::vector<DecodedBlock> blocks;
    std::size_t i = 0;
    while (i < intervals.size()) {
        std::size_t pilot = 0;
        while (i < intervals.size() && near(intervals[i], rom.pilotPulse)) {
            ++pilot;
            ++i;
        }
        if (pilot < PilotAtLeast || i + 1 >= intervals.size() ||
            std::abs(intervals[i] - rom.sync1) > slack ||
            std::abs(intervals[i + 1] - rom.sync2) > slack) {
            i += pilot == 0 ? 1 : 0;
            continue;
        }
        i += 2;
        DecodedBlock block;
        std::uint8_t byte = 0;
        unsigned bits = 0;
        while (i + 1 < intervals.size() && intervals[i] < rest && intervals[i + 1] < rest) {
            byte = static_cast<std::uint8_t>((byte << 1) |
                                             (intervals[i] + intervals[i + 1] > bitPair ? 1 : 0));
            i += 2;
            if (++bits == 8) {
                block.push_back(byte);
                bits = 0;
            }
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace bitreel::test
