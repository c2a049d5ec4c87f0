#pragma once

// What an old cassette and its player do to a tape's sound, each at a fixed
// seed: for the decoder's tests and its benchmark alike.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace bitreel::test {

using Sound = std::vector<float>;

// White noise at snrDb below the sound's power.
inline void AddNoise(Sound& s, double snrDb, std::uint32_t seed = 23) {
    double power = 0;
    for (const float x : s) {
        power += double(x) * x;
    }
    const double sigma =
        std::sqrt(power / double(std::max<std::size_t>(s.size(), 1)) / std::pow(10, snrDb / 10));
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, sigma);
    for (float& x : s) {
        x = float(x + noise(random));
    }
}

// Two one-pole low-passes, as worn heads lose the highs.
inline void LowPass(Sound& s, double hz, std::uint32_t rate) {
    const double a = 1 - std::exp(-2 * std::numbers::pi * hz / rate);
    for (int pass = 0; pass < 2; ++pass) {
        double y = 0;
        for (float& x : s) {
            y += a * (x - y);
            x = float(y);
        }
    }
}

// The tape run at speed(t) times its own speed, t the share of the sound
// played, read at the same rate.
template <typename Speed> void Resample(Sound& s, Speed speed) {
    Sound out;
    for (double at = 0; at + 1 < double(s.size());) {
        const auto i = std::size_t(at);
        const double f = at - double(i);
        out.push_back(float(s[i] * (1 - f) + s[i + 1] * f));
        at += speed(at / double(s.size()));
    }
    s = std::move(out);
}

// The tape run faster (factor above 1) or slower.
inline void Speed(Sound& s, double factor) {
    Resample(s, [factor](double) { return factor; });
}

// Wow: the speed swinging by depth (0.02 for 2%) at hz; at a few hertz and
// more, flutter.
inline void Wow(Sound& s, double depth, double hz, std::uint32_t rate) {
    const double seconds = double(s.size()) / rate;
    Resample(
        s, [=](double t) { return 1 + depth * std::sin(2 * std::numbers::pi * hz * t * seconds); });
}

inline void Scale(Sound& s, double gain) {
    for (float& x : s) {
        x = float(x * gain);
    }
}

inline void Offset(Sound& s, float dc) {
    for (float& x : s) {
        x += dc;
    }
}

// Mains hum at level of full scale.
inline void Hum(Sound& s, double hz, double level, std::uint32_t rate) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] += float(level * std::sin(2 * std::numbers::pi * hz * double(i) / rate));
    }
}

// The sound cut to level at full scale, as an input driven too hard.
inline void Clip(Sound& s, float level) {
    for (float& x : s) {
        x = std::clamp(x, -level, level);
    }
}

// Nothing at all for ms from sample at, as where the tape's coating is gone.
inline void AddDropout(Sound& s, std::size_t at, double ms, std::uint32_t rate) {
    const auto first = std::min(at, s.size());
    const auto end = std::min(s.size(), first + std::size_t(ms * rate / 1000));
    std::fill(s.begin() + std::ptrdiff_t(first), s.begin() + std::ptrdiff_t(end), 0.0f);
}

// Where the coating is worn but not gone: for ms from sample at the level
// falls by depthDb and comes back, over a millisecond each way (even steps
// in decibels), as the thin patch passes the head.
inline void AddShallowDropout(Sound& s, std::size_t at, double ms, double depthDb,
                              std::uint32_t rate) {
    const double ramp = rate / 1000.0;
    const double length = std::max(ms * rate / 1000, 2 * ramp);
    for (std::size_t i = at; i < s.size() && double(i - at) < length; ++i) {
        const double t = double(i - at);
        const double share = std::min({1.0, t / ramp, (length - t) / ramp});
        s[i] = float(s[i] * std::pow(10, -depthDb * share / 20));
    }
}

// A worn tape: a shallow dropout of 2 to 8 ms, from shallowest to
// deepest dB down, every 0.5 to 2 seconds at the seed; then tape hiss,
// white noise hissDb below the sound. Gives how many dropouts.
inline std::size_t WornTape(Sound& s, double shallowest, double deepest, double hissDb,
                            std::uint32_t rate, std::uint32_t seed = 41) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> gap(0.5, 2.0);
    std::uniform_real_distribution<double> length(2, 8);
    std::uniform_real_distribution<double> depth(shallowest, deepest);
    std::size_t count = 0;
    for (double at = gap(random); at * rate < double(s.size()); at += gap(random)) {
        AddShallowDropout(s, std::size_t(at * rate), length(random), depth(random), rate);
        ++count;
    }
    AddNoise(s, hissDb, seed);
    return count;
}

} // namespace bitreel::test
