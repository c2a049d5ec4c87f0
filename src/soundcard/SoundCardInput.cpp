// Captures samples from the sound card with Qt Multimedia.
#include "soundcard/SoundCardInput.h"

#include "soundcard/AudioErrorText.h"

#include <QAudioSource>

namespace bitreel {
namespace {

// A little more than a pass of the front end takes, so that no sound is lost
// while it waits.
constexpr int BufferMs = 500;

} // namespace

SoundCardInput::SoundCardInput(const QAudioDevice& device, std::uint32_t rate) : rate_(rate) {
    format_.setSampleRate(static_cast<int>(rate));
    format_.setChannelCount(1);
    format_.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format_)) {
        format_.setSampleFormat(QAudioFormat::Int16);
    }
    if (!device.isFormatSupported(format_)) {
        throw AudioInputError(device.description().toStdString() + " cannot record mono at " +
                              std::to_string(rate) + " Hz");
    }
    source_ = std::make_unique<QAudioSource>(device, format_);
    source_->setBufferSize(format_.bytesForDuration(qint64{BufferMs} * 1000));
    io_ = source_->start();
    if (!io_ || source_->error() == QAudio::OpenError) {
        throw AudioInputError("cannot open " + device.description().toStdString());
    }
}

SoundCardInput::~SoundCardInput() {
    source_->stop();
}

void SoundCardInput::Read(std::vector<float>& samples) {
    samples.clear();
    carry_ += io_->readAll();
    const int size = format_.bytesPerSample();
    const qsizetype whole = carry_.size() / size;
    samples.resize(static_cast<std::size_t>(whole));
    for (qsizetype i = 0; i < whole; ++i) {
        samples[static_cast<std::size_t>(i)] =
            format_.normalizedSampleValue(carry_.constData() + i * size);
    }
    carry_.remove(0, whole * size);
}

std::optional<std::string> SoundCardInput::Failure() {
    return AudioErrorText(source_->error(), "giving samples");
}

} // namespace bitreel
