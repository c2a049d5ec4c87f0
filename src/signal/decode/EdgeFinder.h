#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace bitreel {

// Finds the edges of a tape's square wave in recorded sound: removes DC and
// hum, then a Schmitt trigger whose threshold follows the signal's level
// places each edge at the zero crossing that led to it. Edges are in
// samples, with a fraction, counted from the first sample. Sound goes in a
// piece at a time, so that a long recording is never held whole.
class EdgeFinder {
public:
    explicit EdgeFinder(std::uint32_t rate);
    void Feed(std::span<const float> samples);
    [[nodiscard]] const std::vector<double>& Edges() const noexcept { return edges_; }
    [[nodiscard]] std::vector<double> TakeEdges() { return std::move(edges_); }

private:
    struct HighPass {
        double a = 0;
        double x = 0;
        double y = 0;
        double operator()(double in) {
            y = a * (y + in - x);
            x = in;
            return y;
        }
    };
    HighPass first_;
    HighPass second_;
    double smooth_;
    double low1_ = 0;
    double low2_ = 0;
    double release_;
    double peakRelease_;
    double hissFall_;
    double hissRise_;
    double hiss_ = 0;      // the hiss's level, where lowest
    std::uint64_t at_ = 0; // samples fed so far
    bool started_ = false;
    double level_ = 0;
    double peak_ = 0;     // of the half-wave since the last edge
    double lastPeak_ = 0; // of the half-wave before it
    double previous_ = 0;
    double crossing_ = 0; // the last zero crossing, in samples
    int state_ = 0;       // -1 low, 1 high, 0 not known yet
    std::vector<double> edges_;
};

// The edges of sound held whole.
[[nodiscard]] std::vector<double> FindEdges(std::span<const float> samples, std::uint32_t rate);

} // namespace bitreel
