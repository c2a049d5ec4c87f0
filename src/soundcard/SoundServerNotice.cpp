// Qt Multimedia's complaint of an unreachable sound server, said once and plainly.
#include "soundcard/SoundServerNotice.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace bitreel {
namespace {

QtMessageHandler previous = nullptr;
std::atomic<bool> told{false};

void Filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt's PulseAudio backend warns without a category of its own, so the
    // message is known by its words.
    if (message.startsWith(QLatin1String("PulseAudioService:"))) {
        if (!told.exchange(true)) {
            std::fprintf(stderr, "%s\n", SoundServerNoticeText());
            std::fflush(stderr);
        }
        return;
    }
    if (previous != nullptr) {
        previous(type, context, message);
    }
}

} // namespace

const char* SoundServerNoticeText() {
    return "bitreel: the sound server (PulseAudio) does not answer, so there is no sound card";
}

void InstallSoundServerNotice() {
    previous = qInstallMessageHandler(Filter);
}

} // namespace bitreel
