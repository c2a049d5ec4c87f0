#pragma once

#include "transfer/AudioOutput.h"

#include <optional>
#include <string>
#include <vector>

namespace bitreel {

// A sound output the system offers, as a user names it.
struct AudioDeviceInfo {
    std::string id;          // the system's own name ("alsa_output.pci-0000_00_1f.3.analog-stereo")
    std::string description; // what a desktop shows ("Built-in Audio Analog Stereo")
    bool isDefault = false;
};

// The sound outputs there are now, the default one first.
[[nodiscard]] std::vector<AudioDeviceInfo> AudioOutputs();

// Opens a sound output for play through the sound card: the one whose id
// or description (any case) is name, or the default one for an empty name.
// Throws AudioOutputError.
[[nodiscard]] std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& name,
                                                           std::uint32_t rate);

} // namespace bitreel
