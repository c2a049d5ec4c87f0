// Plays samples through the sound card with Qt Multimedia.
#include "soundcard/SoundCardOutput.h"

#include "soundcard/AudioErrorText.h"

#include <QAudioFormat>
#include <QAudioSink>

#include <algorithm>

namespace bitreel {
namespace {

constexpr qsizetype BytesPerSample = 2;

} // namespace

SoundCardOutput::SoundCardOutput(const QAudioDevice& device, std::uint32_t rate,
                                 std::chrono::milliseconds buffer) {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(rate));
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        throw AudioOutputError(device.description().toStdString() + " cannot play 16-bit mono at " +
                               std::to_string(rate) + " Hz");
    }
    sink_ = std::make_unique<QAudioSink>(device, format);
    // No more than the engine keeps queued: a device that waits for a full
    // buffer before it starts would otherwise never start.
    sink_->setBufferSize(static_cast<qsizetype>(rate * buffer.count() / 1000) * BytesPerSample);
    QObject::connect(sink_.get(), &QAudioSink::stateChanged, sink_.get(),
                     [this](QAudio::State state) {
                         if (state == QAudio::IdleState &&
                             sink_->error() == QAudio::UnderrunError && !drained_ && !stopped_) {
                             ++underruns_;
                         }
                     });
    io_ = sink_->start();
    if (!io_ || sink_->error() == QAudio::OpenError) {
        throw AudioOutputError("cannot open " + device.description().toStdString());
    }
}

SoundCardOutput::~SoundCardOutput() {
    stopped_ = true;
    sink_->stop();
}

std::size_t SoundCardOutput::FreeSamples() {
    const qsizetype free = sink_->bytesFree() - static_cast<qsizetype>(carry_.size());
    return free > 0 ? static_cast<std::size_t>(free / BytesPerSample) : 0;
}

std::size_t SoundCardOutput::QueuedSamples() {
    const qsizetype queued =
        sink_->bufferSize() - sink_->bytesFree() + static_cast<qsizetype>(carry_.size());
    return queued > 0 ? static_cast<std::size_t>(queued / BytesPerSample) : 0;
}

void SoundCardOutput::Write(std::span<const std::int16_t> samples) {
    const auto* bytes = reinterpret_cast<const char*>(samples.data());
    carry_.insert(carry_.end(), bytes, bytes + samples.size_bytes());
    const qint64 taken = io_->write(carry_.data(), static_cast<qint64>(carry_.size()));
    if (taken > 0) {
        carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(taken));
    }
}

void SoundCardOutput::Drained() {
    drained_ = true;
    sink_->stop();
}

void SoundCardOutput::Discard() {
    stopped_ = true;
    carry_.clear();
    sink_->reset();
}

std::optional<std::string> SoundCardOutput::Failure() {
    return AudioErrorText(sink_->error(), "taking samples");
}

} // namespace bitreel
