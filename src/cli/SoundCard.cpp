#include "cli/SoundCard.h"

namespace bitreel::cli {
namespace {

SoundCard& Installed() {
    static SoundCard card;
    return card;
}

const SoundCard& Required() {
    const SoundCard& card = Installed();
    if (card.outputs == nullptr || card.open == nullptr) {
        throw AudioOutputError("this program has no sound card; run bitreel");
    }
    return card;
}

} // namespace

void InstallSoundCard(SoundCard card) {
    Installed() = card;
}

std::vector<AudioDeviceInfo> SoundOutputs() {
    return Required().outputs();
}

std::unique_ptr<AudioOutput> OpenSoundOutput(const std::string& name, std::uint32_t rate) {
    return Required().open(name, rate);
}

} // namespace bitreel::cli
