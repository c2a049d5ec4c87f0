// The sound outputs of the system, and opening one of them by name.
#include "soundcard/AudioDevices.h"

#include "soundcard/SoundCardOutput.h"
#include "transfer/AudioPlayback.h"

#include <QMediaDevices>

namespace bitreel {

std::vector<AudioDeviceInfo> AudioOutputs() {
    std::vector<AudioDeviceInfo> outputs;
    for (const QAudioDevice& device : QMediaDevices::audioOutputs()) {
        AudioDeviceInfo info{QString::fromUtf8(device.id()).toStdString(),
                             device.description().toStdString(), device.isDefault()};
        if (info.isDefault) {
            outputs.insert(outputs.begin(), std::move(info));
        } else {
            outputs.push_back(std::move(info));
        }
    }
    return outputs;
}

std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& name, std::uint32_t rate) {
    QAudioDevice chosen;
    if (name.empty()) {
        chosen = QMediaDevices::defaultAudioOutput();
        if (chosen.isNull()) {
            throw AudioOutputError("no sound output is there");
        }
    } else {
        const QString wanted = QString::fromStdString(name);
        for (const QAudioDevice& device : QMediaDevices::audioOutputs()) {
            if (QString::fromUtf8(device.id()) == wanted ||
                device.description().compare(wanted, Qt::CaseInsensitive) == 0) {
                chosen = device;
                break;
            }
        }
        if (chosen.isNull()) {
            throw AudioOutputError("no sound output named " + name +
                                   "; bitreel ports --audio lists them");
        }
    }
    return std::make_unique<SoundCardOutput>(chosen, rate, AudioPlayback::Ahead);
}

} // namespace bitreel
