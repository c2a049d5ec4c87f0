// Sound files by their names, and the writer for each.
#include "signal/render/AudioFile.h"

#include "signal/render/AudioFileImpl.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>

namespace bitreel {

std::optional<AudioFileType> AudioFileTypeOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr std::array<std::pair<const char*, AudioFileType>, 3> Types{{
        {".wav", AudioFileType::Wav},
        {".flac", AudioFileType::Flac},
        {".csw", AudioFileType::Csw},
    }};
    for (const auto& [name, type] : Types) {
        if (extension == name) {
            return type;
        }
    }
    return std::nullopt;
}

AudioFileWriter::AudioFileWriter(const std::filesystem::path& path, AudioFileType type,
                                 std::uint32_t rate, FileCreation creation) {
    AudioOutputFile file(path, creation);
    impl_ = type == AudioFileType::Csw ? MakeCswWriter(std::move(file), rate)
                                       : MakeSndFileWriter(std::move(file), type, rate);
}

AudioFileWriter::AudioFileWriter(AudioFileWriter&&) noexcept = default;
AudioFileWriter& AudioFileWriter::operator=(AudioFileWriter&&) noexcept = default;
AudioFileWriter::~AudioFileWriter() = default;

void AudioFileWriter::Write(std::span<const std::int16_t> samples) {
    if (finished_) {
        throw std::logic_error("samples written to a finished sound file");
    }
    if (!samples.empty()) {
        impl_->Write(samples);
    }
}

void AudioFileWriter::Finish() {
    if (!finished_) {
        finished_ = true;
        impl_->Finish();
    }
}

} // namespace bitreel
