#pragma once

#include "transfer/AudioOutput.h"

#include <QAudioDevice>

#include <chrono>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

namespace bitreel {

// The sound card as an AudioOutput: a QAudioSink playing 16-bit mono at the
// render rate, fed in push mode. Its buffer is the queue the engine keeps
// full, and a change to the idle state with an underrun error while the
// run has samples still to come is counted as a gap. Qt reports that change
// through the event loop, so the front end's yields must run it.
class SoundCardOutput final : public AudioOutput {
public:
    // Throws AudioOutputError when the device cannot play the format or
    // does not start.
    SoundCardOutput(const QAudioDevice& device, std::uint32_t rate,
                    std::chrono::milliseconds buffer);
    ~SoundCardOutput() override;

    SoundCardOutput(const SoundCardOutput&) = delete;
    SoundCardOutput& operator=(const SoundCardOutput&) = delete;

    std::size_t FreeSamples() override;
    std::size_t QueuedSamples() override;
    void Write(std::span<const std::int16_t> samples) override;
    std::uint64_t Underruns() override { return underruns_; }
    void Drained() override;
    void Discard() override;
    std::optional<std::string> Failure() override;

private:
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr; // the sink's own
    std::vector<char> carry_; // bytes the device did not take at once
    std::uint64_t underruns_ = 0;
    bool drained_ = false;
    bool stopped_ = false;
};

} // namespace bitreel
