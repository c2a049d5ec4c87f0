#pragma once

#include "transfer/AudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>

#include <memory>

class QAudioSource;
class QIODevice;

namespace bitreel {

// The sound card as an AudioInput: a QAudioSource capturing mono at the
// rate asked for, as floats or 16-bit samples, whichever the device takes,
// read in pull mode. Qt reports its state through the event loop, so the
// front end's yields must run it.
class SoundCardInput final : public AudioInput {
public:
    // Throws AudioInputError when the device takes neither format or does
    // not start.
    SoundCardInput(const QAudioDevice& device, std::uint32_t rate);
    ~SoundCardInput() override;

    SoundCardInput(const SoundCardInput&) = delete;
    SoundCardInput& operator=(const SoundCardInput&) = delete;

    [[nodiscard]] std::uint32_t Rate() const override { return rate_; }
    void Read(std::vector<float>& samples) override;
    std::optional<std::string> Failure() override;

private:
    std::unique_ptr<QAudioSource> source_;
    QIODevice* io_ = nullptr; // the source's own
    QAudioFormat format_;
    std::uint32_t rate_;
    QByteArray carry_; // the start of a sample the last read cut
};

} // namespace bitreel
