#pragma once

// The sound card as the commands reach it. `bitreel` runs on Qt Core alone
// and hands the commands that play sound to the executable that has Qt
// Multimedia (DesktopHandover.h); that one installs its sound card here.

#include "transfer/AudioInput.h"
#include "transfer/AudioOutput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bitreel::cli {

struct SoundCard {
    std::vector<AudioDeviceInfo> (*outputs)() = nullptr;
    std::unique_ptr<AudioOutput> (*open)(const std::string& name, std::uint32_t rate) = nullptr;
    std::vector<AudioDeviceInfo> (*inputs)() = nullptr;
    std::unique_ptr<AudioInput> (*openInput)(const std::string& name, std::uint32_t rate) = nullptr;
};

void InstallSoundCard(SoundCard card);

// The sound outputs there are now, and one of them opened by its id or
// description (the default for an empty name). Both throw AudioOutputError
// when the running executable has no sound card.
[[nodiscard]] std::vector<AudioDeviceInfo> SoundOutputs();
[[nodiscard]] std::unique_ptr<AudioOutput> OpenSoundOutput(const std::string& name,
                                                           std::uint32_t rate);

// The same for the sound inputs; both throw AudioInputError when the
// running executable has no sound card.
[[nodiscard]] std::vector<AudioDeviceInfo> SoundInputs();
[[nodiscard]] std::unique_ptr<AudioInput> OpenSoundInput(const std::string& name,
                                                         std::uint32_t rate);

// Runs the event loop for at most ms, so that the sound card's reports
// arrive while an engine waits on it.
void RunEventsFor(int ms);

} // namespace bitreel::cli
