#pragma once

// The writers behind AudioFileWriter, one for each kind of file.

#include "signal/render/AudioFile.h"
#include "signal/render/AudioOutputFile.h"

#include <cstdint>
#include <memory>
#include <span>

namespace bitreel {

class AudioFileWriter::Impl {
public:
    virtual ~Impl() = default;
    virtual void Write(std::span<const std::int16_t> samples) = 0;
    virtual void Finish() = 0;
};

// WAV (16-bit PCM) or FLAC.
[[nodiscard]] std::unique_ptr<AudioFileWriter::Impl>
MakeSndFileWriter(AudioOutputFile file, AudioFileType type, std::uint32_t rate);

[[nodiscard]] std::unique_ptr<AudioFileWriter::Impl> MakeCswWriter(AudioOutputFile file,
                                                                   std::uint32_t rate);

} // namespace bitreel
