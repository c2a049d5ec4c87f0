#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace bitreel {

// Where played samples go: 16-bit mono at the rate the output was made for,
// queued ahead of the device so that a busy front end does not starve it.
// The sound card is one; tests use a fake on simulated time.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Samples that can be queued now without waiting.
    [[nodiscard]] virtual std::size_t FreeSamples() = 0;
    // Samples queued and not yet played.
    [[nodiscard]] virtual std::size_t QueuedSamples() = 0;
    // Queues samples, at most FreeSamples() of them.
    virtual void Write(std::span<const std::int16_t> samples) = 0;
    // Times the device ran out of samples while the run still had some: on
    // a tape each one is a gap the machine takes for a loading error.
    [[nodiscard]] virtual std::uint64_t Underruns() = 0;
    // The last sample has played: the device stops, and running dry from
    // now on is no underrun.
    virtual void Drained() = 0;
    // Stop: what is queued is thrown away and the sound ends at once.
    virtual void Discard() = 0;
    // Why the device failed (it went away, or its server did); none while
    // it works.
    [[nodiscard]] virtual std::optional<std::string> Failure() = 0;
};

// An output that cannot be opened: its reason for a user ("no sound output
// named HDMI").
class AudioOutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A sound output the system offers, as a user names it.
struct AudioDeviceInfo {
    std::string id;          // the system's own name ("alsa_output.pci-0000_00_1f.3.analog-stereo")
    std::string description; // what a desktop shows ("Built-in Audio Analog Stereo")
    bool isDefault = false;
};

// Opens the output a front end plays to, at a rate. Throws AudioOutputError.
using AudioOutputOpener = std::function<std::unique_ptr<AudioOutput>(std::uint32_t rate)>;

} // namespace bitreel
