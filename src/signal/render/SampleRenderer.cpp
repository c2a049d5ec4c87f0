// Pulses to samples, with every edge on the sample nearest its exact time,
// or a pulse timed in whole samples as a whole number of them.
#include "signal/render/SampleRenderer.h"

#include "pulses/WholeSamples.h"

#include <algorithm>
#include <cmath>

namespace bitreel {

bool IsSampleRate(std::uint32_t rate) noexcept {
    return std::find(SampleRates.begin(), SampleRates.end(), rate) != SampleRates.end();
}

SampleRenderer::SampleRenderer(PulseSource& source, const RenderOptions& options)
    : source_(source), rate_(options.rate) {
    const int percent = std::clamp(options.levelPercent, 1, 100);
    const auto peak = static_cast<std::int16_t>(std::lround(32767.0 * percent / 100.0));
    low_ = static_cast<std::int16_t>(options.invert ? peak : -peak);
    high_ = static_cast<std::int16_t>(options.invert ? -peak : peak);
    silence_ = MsSamples(options.leadMs);
    holdUntil_ = silence_;
    tailSamples_ = MsSamples(options.tailMs);
}

std::uint64_t SampleRenderer::EdgeSample(std::uint64_t units, std::uint32_t rate) noexcept {
    // In two parts, so that the product cannot overflow however long the tape.
    const std::uint64_t seconds = units / UnitsPerSecond;
    const std::uint64_t rest = units % UnitsPerSecond;
    return seconds * rate + (rest * rate + UnitsPerSecond / 2) / UnitsPerSecond;
}

std::uint64_t SampleRenderer::MsSamples(std::uint32_t ms) const noexcept {
    return (std::uint64_t{ms} * rate_ + 500) / 1000;
}

std::uint64_t SampleRenderer::ExactEdge() const noexcept {
    return static_cast<std::uint64_t>(
        static_cast<std::int64_t>(silence_ + EdgeSample(units_, rate_)) + shift_);
}

std::int16_t SampleRenderer::SampleOf(Level level) const noexcept {
    return level == Level::High ? high_ : low_;
}

void SampleRenderer::InsertSilence(std::uint32_t ms) {
    // Fill hands out an event only once the pulses before it are written
    // whole, so the silence starts right after the last of them.
    silence_ += MsSamples(ms);
    holdUntil_ = ExactEdge();
    level_ = Level::Low;
}

SampleRenderer::Filled SampleRenderer::Fill(std::span<std::int16_t> out) {
    Filled filled;
    while (filled.samples < out.size()) {
        if (made_ < holdUntil_) {
            const std::uint64_t end =
                std::min<std::uint64_t>(holdUntil_, made_ + (out.size() - filled.samples));
            for (; made_ < end; ++made_) {
                out[filled.samples++] = SampleOf(level_);
            }
            continue;
        }
        if (sourceEnded_) {
            filled.ended = true;
            return filled;
        }
        PulseEvent event;
        if (!source_.Next(event)) {
            sourceEnded_ = true;
            level_ = Level::Low;
            holdUntil_ = made_ + tailSamples_;
            continue;
        }
        if (event.kind != PulseEvent::Kind::Pulse) {
            filled.event = event;
            return filled;
        }
        level_ = event.level;
        units_ += Units(event.tstates, event.clock);
        if (event.wholeSamples) {
            // The pulse takes its whole samples from where the last edge fell;
            // the edges after it keep their exact spacing from this one.
            const std::uint64_t edge =
                holdUntil_ + WholeSamplesAt(event.tstates, event.clock, rate_);
            shift_ = static_cast<std::int64_t>(edge) -
                     static_cast<std::int64_t>(silence_ + EdgeSample(units_, rate_));
            holdUntil_ = edge;
        } else {
            holdUntil_ = ExactEdge();
        }
    }
    return filled;
}

} // namespace bitreel
