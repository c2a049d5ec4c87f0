// The loader's thresholds from the T-states of its waits.
#include "fastload/LoaderTiming.h"

#include <algorithm>
#include <cmath>

namespace bitreel::fastload {
namespace {

// A pulse's length in seconds at a rate it is played at in whole samples.
double SecondsAt(std::uint32_t samples, std::uint32_t rate) {
    const std::uint32_t tstates = TStatesOfSamples(samples);
    return static_cast<double>(WholeSamplesAt(tstates, PulseClock::Spectrum, rate)) / rate;
}

} // namespace

double LongestTStates(std::uint32_t samples) {
    double longest = 0;
    for (const std::uint32_t rate : FastRates) {
        longest = std::max(longest, SecondsAt(samples, rate));
    }
    const double clock = *std::max_element(MachineClocks.begin(), MachineClocks.end());
    return longest / (1 - SpeedTolerance) * clock;
}

double ShortestTStates(std::uint32_t samples) {
    double shortest = 1e9;
    for (const std::uint32_t rate : FastRates) {
        shortest = std::min(shortest, SecondsAt(samples, rate));
    }
    const double clock = *std::min_element(MachineClocks.begin(), MachineClocks.end());
    return shortest / (1 + SpeedTolerance) * clock;
}

// The wait's first look comes `wait` T-states after the look that saw the
// pulse start, itself up to a turn after the edge: a pulse of P T-states
// is counted 1 + ceil((P - late - wait) / turn), late from 0 up to a turn.
// With bit 7 set at count T, a pulse is surely a 0 up to wait + (T - 2)
// turns, surely a 1 beyond wait + (T - 1) turns: T puts that turn's width
// midway between the longest 0 and the shortest 1.
Threshold BitThreshold(const PulseCode& code, unsigned turn, unsigned wait) {
    const double zero = LongestTStates(code.zero);
    const double one = ShortestTStates(code.one);
    const double middle = (zero + one) / 2;
    const int count = static_cast<int>(std::lround((middle - wait) / turn + 1.5));
    Threshold threshold;
    threshold.start = static_cast<std::uint8_t>(128 - count);
    threshold.zeroMargin = static_cast<int>(wait + (count - 2.0) * turn - zero);
    threshold.oneMargin = static_cast<int>(one - wait - (count - 1.0) * turn);
    return threshold;
}

std::uint8_t PilotCount(const PulseCode& code, unsigned turn, unsigned wait) {
    const double sync = LongestTStates(code.sync);
    const double pilot = ShortestTStates(code.pilot);
    const double middle = (sync + pilot) / 2;
    return static_cast<std::uint8_t>(std::lround((middle - wait) / turn + 1.5));
}

} // namespace bitreel::fastload
