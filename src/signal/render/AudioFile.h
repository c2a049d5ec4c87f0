#pragma once

#include "signal/render/SampleSink.h"

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

// What becomes of a file already there: replaced, or left alone and the
// writer refused (std::system_error with EEXIST), in one step with the
// creation, so that no file made meanwhile is lost either.
enum class FileCreation { Replace, Refuse };

// One sound file being written, mono at one rate: WAV as 16-bit PCM and FLAC
// through libsndfile, CSW v2 (Z-RLE) through zlib. Samples go in as they
// are rendered, into a new file beside the one named; Finish completes it
// and gives it the name. A writer dropped unfinished leaves nothing, and a
// file that had the name as it was.
class AudioFileWriter final : public SampleSink {
public:
    // Throws std::system_error when the file cannot be made, or (EEXIST) when
    // one is there and creation refuses to replace it.
    AudioFileWriter(const std::filesystem::path& path, AudioFileType type, std::uint32_t rate,
                    FileCreation creation = FileCreation::Replace);
    AudioFileWriter(AudioFileWriter&&) noexcept;
    AudioFileWriter& operator=(AudioFileWriter&&) noexcept;
    ~AudioFileWriter() override;

    // Throws std::system_error when the file cannot take them (a full disk),
    // and std::logic_error after Finish.
    void Write(std::span<const std::int16_t> samples) override;
    // Throws std::system_error when the file cannot be completed. A second
    // call does nothing.
    void Finish();

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
    bool finished_ = false;
};

} // namespace bitreel
