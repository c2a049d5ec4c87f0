// Edges of a recorded square wave, found the way a tape loader's comparator
// would, but with a threshold that follows the tape's level.
#include "signal/decode/EdgeFinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace bitreel {
namespace {

// Two one-pole high-passes: DC and slow drift go, the pilot (about 800 Hz)
// and the bits keep their edges. A high-pass carries a share of each
// half-wave it saw into the next ones, the larger the higher its cut-off:
// where a worn patch drops the level by 30 dB, 120 Hz left the loud
// half-waves' tail above the quiet ones for milliseconds. Lower than this,
// reads across dropouts to nothing lost their count of bits more often, and
// takes of a tape no longer mended each other's. Hum that passes shifts the edges by a sample at
// most, one half-wave longer and the next shorter, which a bit's two halves
// cancel.
constexpr double HighPassHz = 60;
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
// crossing makes no half-wave of its own), both let go over about a third
// of a millisecond, so that a half-wave whose edge was missed holds it no longer.
// At 0.45 of the last peak, the threshold stays under the next half-wave
// where a worn patch's edge drops the level by up to 7 dB a half-wave; the
// release catches the steeper ones within a half-wave or two. A higher
// share reads more in the heaviest noise, but loses blocks where hum rides
// on noise 20 dB down through a 4 kHz low-pass.
constexpr double HalfWavesShare = 1.5;
constexpr double PeakReleaseSeconds = 0.0003;
// The hiss: the level where it is lowest, which follows a quieter stretch
// down over about 50 ms (a gap between blocks, never a dropout of a few
// milliseconds, which the level's 20 ms release hardly sees) and creeps up
// by this many decibels a second: slowly, as a block of a minute is never
// quiet, and hiss taken for louder than it is would keep the threshold above
// a worn patch's bits. The level a dropout brings the threshold
// down to stays this many times above it, so that a dropout to nothing
// makes no edges of the hiss alone. It starts at the floor below which
// nothing counts, so that a recording's first block is read as before any
// hiss was heard.
constexpr double HissFallSeconds = 0.05;
constexpr double HissRiseDbPerSecond = 0.3;
constexpr double HissShare = 3;

} // namespace

EdgeFinder::EdgeFinder(std::uint32_t rate) {
    const double rc = 1.0 / (2 * std::numbers::pi * HighPassHz);
    const double dt = 1.0 / std::max<std::uint32_t>(rate, 1);
    first_.a = second_.a = rc / (rc + dt);
    smooth_ = 1 - std::exp(-2 * std::numbers::pi * LowPassHz * dt);
    release_ = std::exp(-dt / LevelReleaseSeconds);
    peakRelease_ = std::exp(-dt / PeakReleaseSeconds);
    hissFall_ = 1 - std::exp(-dt / HissFallSeconds);
    hissRise_ = std::pow(10.0, HissRiseDbPerSecond * dt / 20);
    hiss_ = FloorLevel;
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
        hiss_ = level_ < hiss_ ? hiss_ + hissFall_ * (level_ - hiss_)
                               : std::min(level_, hiss_ * hissRise_);
        const double level = std::min(
            level_, std::max(HalfWavesShare * std::max(peak_, lastPeak_), HissShare * hiss_));
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
