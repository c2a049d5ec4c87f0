// Edges of a recorded square wave, found the way a tape loader's comparator
// would, but with a threshold that follows the tape's level.
#include "signal/decode/EdgeFinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace bitreel {
namespace {

// Two one-pole high-passes: 50 Hz hum and DC go, the pilot (about 800 Hz)
// and the bits keep their edges.
constexpr double HighPassHz = 120;
// Two one-pole low-passes: a tape's bits have little above this, white
// noise has as much there as below, so its edges' jitter halves.
constexpr double LowPassHz = 4500;
// The threshold is this share of the level, which decays over about 20 ms,
// so that a quiet block after a loud one is heard.
constexpr double ThresholdShare = 0.3;
constexpr double LevelReleaseSeconds = 0.02;
// Below this nothing counts as signal: the hiss of silence.
constexpr double FloorLevel = 0.0015;
// Where a worn patch of tape drops the level by tens of decibels for a few
// milliseconds, the threshold follows it down from one half-wave to the
// next, so that bits that still stand above the hiss are read: the level
// counts at most this many times the higher peak of the half-wave going on
// and the one before it (from edge to edge, so that noise near a zero
// crossing makes no half-wave of its own), both let go over about half a
// millisecond, so that a half-wave whose edge was missed holds it no longer.
constexpr double HalfWavesShare = 3;
constexpr double PeakReleaseSeconds = 0.0003;

} // namespace

EdgeFinder::EdgeFinder(std::uint32_t rate) {
    const double rc = 1.0 / (2 * std::numbers::pi * HighPassHz);
    const double dt = 1.0 / std::max<std::uint32_t>(rate, 1);
    first_.a = second_.a = rc / (rc + dt);
    smooth_ = 1 - std::exp(-2 * std::numbers::pi * LowPassHz * dt);
    release_ = std::exp(-dt / LevelReleaseSeconds);
    peakRelease_ = std::exp(-dt / PeakReleaseSeconds);
}

void EdgeFinder::Feed(std::span<const float> samples) {
    for (const float sample : samples) {
        if (!started_) {
            // The filters start from the first sample, not from zero, so
            // that a DC offset makes no edge at the start.
            first_.x = sample;
            started_ = true;
        }
        low1_ += smooth_ * (second_(first_(sample)) - low1_);
        low2_ += smooth_ * (low1_ - low2_);
        const double x = low2_;
        level_ = std::max(std::abs(x), level_ * release_);
        if ((x >= 0) != (previous_ >= 0) && at_ > 0) {
            crossing_ = double(at_ - 1) + previous_ / (previous_ - x);
        }
        previous_ = x;
        peak_ = std::max(peak_ * peakRelease_, std::abs(x));
        lastPeak_ *= peakRelease_;
        const double level = std::min(level_, HalfWavesShare * std::max(peak_, lastPeak_));
        const double threshold = std::max(ThresholdShare * level, FloorLevel);
        const int now = x > threshold ? 1 : x < -threshold ? -1 : state_;
        if (now != state_) {
            if (state_ != 0) {
                edges_.push_back(crossing_);
            }
            state_ = now;
            lastPeak_ = peak_;
            peak_ = std::abs(x);
        }
        ++at_;
    }
}

std::vector<double> FindEdges(std::span<const float> samples, std::uint32_t rate) {
    EdgeFinder finder(rate);
    finder.Feed(samples);
    return finder.TakeEdges();
}

} // namespace bitreel
