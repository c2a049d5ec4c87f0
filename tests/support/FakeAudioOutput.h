#pragma once

// A sound card on simulated time, for the audio engine's tests: it plays
// only when the test advances its clock, and runs dry (an underrun) when the
// clock passes the samples queued before the run has said it is over.

#include "transfer/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bitreel::test {

class FakeAudioOutput final : public AudioOutput {
public:
    FakeAudioOutput(std::uint32_t rate, std::size_t capacity) : rate_(rate), capacity_(capacity) {}

    // The device plays for this long; before the first sample is queued it
    // has not started.
    void Advance(std::chrono::milliseconds time) {
        if (!started_ || discarded_) {
            return;
        }
        elapsedMs_ += static_cast<std::uint64_t>(time.count());
        const std::uint64_t clock = elapsedMs_ * rate_ / 1000;
        std::uint64_t due = clock - clock_;
        clock_ = clock;
        if (due > queued_) {
            if (!drained_ && !dry_) {
                ++underruns_;
            }
            dry_ = true;
            due = queued_;
        }
        queued_ -= due;
        played_ += due;
    }

    std::size_t FreeSamples() override { return capacity_ - queued_; }
    std::size_t QueuedSamples() override { return queued_; }
    void Write(std::span<const std::int16_t> samples) override {
        if (samples.size() > FreeSamples() || discarded_ || drained_) {
            ++misuses;
        }
        written.insert(written.end(), samples.begin(), samples.end());
        queued_ += samples.size();
        started_ = true;
        dry_ = false;
    }
    std::uint64_t Underruns() override { return underruns_; }
    void Drained() override { drained_ = true; }
    void Discard() override {
        discarded_ = true;
        queued_ = 0;
    }
    std::optional<std::string> Failure() override { return failure; }

    // Samples the device has played.
    [[nodiscard]] std::uint64_t Played() const { return played_; }
    [[nodiscard]] bool WasDrained() const { return drained_; }
    [[nodiscard]] bool WasDiscarded() const { return discarded_; }

    std::vector<std::int16_t> written;
    std::optional<std::string> failure;
    int misuses = 0; // writes past the free space, or after the end

private:
    std::uint32_t rate_;
    std::size_t capacity_;
    std::uint64_t elapsedMs_ = 0;
    std::uint64_t clock_ = 0;
    std::uint64_t played_ = 0;
    std::size_t queued_ = 0;
    std::uint64_t underruns_ = 0;
    bool started_ = false;
    bool dry_ = false;
    bool drained_ = false;
    bool discarded_ = false;
};

} // namespace bitreel::test
