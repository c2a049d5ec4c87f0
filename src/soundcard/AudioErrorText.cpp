// What a sound device's error means to a user.
#include "soundcard/AudioErrorText.h"

namespace bitreel {

std::optional<std::string> AudioErrorText(QAudio::Error error, std::string_view stopped) {
    switch (error) {
    case QAudio::NoError:
    case QAudio::UnderrunError:
        return std::nullopt;
    case QAudio::OpenError:
        return "the sound card would not open";
    case QAudio::IOError:
        return "the sound card stopped " + std::string(stopped);
    case QAudio::FatalError:
        break;
    }
    return "the sound card failed";
}

} // namespace bitreel
