// The sound devices of the system, and opening one of them by name.
#include "soundcard/AudioDevices.h"

#include "soundcard/SoundCardInput.h"
#include "soundcard/SoundCardOutput.h"
#include "transfer/AudioPlayback.h"

#include <QMediaDevices>

namespace bitreel {
namespace {

std::vector<AudioDeviceInfo> Listed(const QList<QAudioDevice>& devices) {
    std::vector<AudioDeviceInfo> listed;
    for (const QAudioDevice& device : devices) {
        AudioDeviceInfo info{QString::fromUtf8(device.id()).toStdString(),
                             device.description().toStdString(), device.isDefault()};
        if (info.isDefault) {
            listed.insert(listed.begin(), std::move(info));
        } else {
            listed.push_back(std::move(info));
        }
    }
    return listed;
}

// The device whose id or description (any case) is name, or the default
// for an empty name. kind words the error: "output", "input".
template <typename Error>
QAudioDevice Chosen(const std::string& name, const QList<QAudioDevice>& devices,
                    const QAudioDevice& fallback, const std::string& kind) {
    if (name.empty()) {
        if (fallback.isNull()) {
            throw Error("no sound " + kind + " is there");
        }
        return fallback;
    }
    const QString wanted = QString::fromStdString(name);
    for (const QAudioDevice& device : devices) {
        if (QString::fromUtf8(device.id()) == wanted ||
            device.description().compare(wanted, Qt::CaseInsensitive) == 0) {
            return device;
        }
    }
    throw Error("no sound " + kind + " named " + name + "; bitreel ports --audio lists them");
}

} // namespace

std::vector<AudioDeviceInfo> AudioOutputs() {
    return Listed(QMediaDevices::audioOutputs());
}

std::vector<AudioDeviceInfo> AudioInputs() {
    return Listed(QMediaDevices::audioInputs());
}

std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& name, std::uint32_t rate) {
    const QAudioDevice chosen = Chosen<AudioOutputError>(
        name, QMediaDevices::audioOutputs(), QMediaDevices::defaultAudioOutput(), "output");
    return std::make_unique<SoundCardOutput>(chosen, rate, AudioPlayback::Ahead);
}

std::unique_ptr<AudioInput> OpenAudioInput(const std::string& name, std::uint32_t rate) {
    const QAudioDevice chosen = Chosen<AudioInputError>(
        name, QMediaDevices::audioInputs(), QMediaDevices::defaultAudioInput(), "input");
    return std::make_unique<SoundCardInput>(chosen, rate);
}

} // namespace bitreel
