#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace bitreel {

// The sound files a tape is written to.
enum class AudioFileType { Wav, Flac, Csw };

// The type a file's name asks for: ".wav", ".flac" or ".csw", any case.
[[nodiscard]] std::optional<AudioFileType> AudioFileTypeOf(const std::filesystem::path& path);

// One sound file being written, mono at one rate: WAV as 16-bit PCM and FLAC
// through libsndfile, CSW v2 (Z-RLE) through zlib. Samples go in as they
// are rendered; Finish completes the file. A writer dropped unfinished
// leaves what it wrote, not a file that claims to be whole.
class AudioFileWriter {
public:
    // Creates or empties the file. Throws std::system_error when it cannot.
    AudioFileWriter(const std::filesystem::path& path, AudioFileType type, std::uint32_t rate);
    AudioFileWriter(AudioFileWriter&&) noexcept;
    AudioFileWriter& operator=(AudioFileWriter&&) noexcept;
    ~AudioFileWriter();

    // Throws std::system_error when the file cannot take them (a full disk).
    void Write(std::span<const std::int16_t> samples);
    void Finish();

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace bitreel
