#pragma once

#include "transfer/AudioOutput.h"

#include <optional>
#include <string>
#include <vector>

namespace bitreel {

// The sound outputs there are now, the default one first.
[[nodiscard]] std::vector<AudioDeviceInfo> AudioOutputs();

// Opens a sound output for play through the sound card: the one whose id
// or description (any case) is name, or the default one for an empty name.
// Throws AudioOutputError.
[[nodiscard]] std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& name,
                                                           std::uint32_t rate);

} // namespace bitreel
