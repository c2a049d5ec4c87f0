#include "cli/transfer/SoundCard.h"

#include <QCoreApplication>
#include <QTimer>

namespace bitreel::cli {
namespace {

SoundCard& Installed() {
    static SoundCard card;
    return card;
}

constexpr const char* NoSoundCard = "this program has no sound card; run bitreel";

const SoundCard& Required() {
    const SoundCard& card = Installed();
    if (card.outputs == nullptr || card.open == nullptr) {
        throw AudioOutputError(NoSoundCard);
    }
    return card;
}

const SoundCard& RequiredInputs() {
    const SoundCard& card = Installed();
    if (card.inputs == nullptr || card.openInput == nullptr) {
        throw AudioInputError(NoSoundCard);
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

std::vector<AudioDeviceInfo> SoundInputs() {
    return RequiredInputs().inputs();
}

std::unique_ptr<AudioInput> OpenSoundInput(const std::string& name, std::uint32_t rate) {
    return RequiredInputs().openInput(name, rate);
}

void RunEventsFor(int ms) {
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    bound.start(ms);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace bitreel::cli
