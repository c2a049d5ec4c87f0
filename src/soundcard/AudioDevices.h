#pragma once

#include "transfer/AudioInput.h"
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

// The sound inputs there are now (line-in, microphones, and a sound
// server's monitors of its outputs), the default one first.
[[nodiscard]] std::vector<AudioDeviceInfo> AudioInputs();

// Opens a sound input for recording from the sound card, chosen by name as
// an output is, at a rate. Throws AudioInputError.
[[nodiscard]] std::unique_ptr<AudioInput> OpenAudioInput(const std::string& name,
                                                         std::uint32_t rate);

} // namespace bitreel
