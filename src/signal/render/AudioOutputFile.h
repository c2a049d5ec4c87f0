#pragma once

#include "signal/render/AudioFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

namespace bitreel {

// The file a sound file writer fills: written forward beside the name it is
// for, with its header filled in at the start once the rest is known, and
// given that name (replacing a file there or not, as FileCreation says) only
// when it is closed whole. One dropped before that leaves nothing. Every
// failure is a std::system_error that names the file.
class AudioOutputFile {
public:
    AudioOutputFile(const std::filesystem::path& path, FileCreation creation);
    ~AudioOutputFile();
    AudioOutputFile(AudioOutputFile&&) noexcept = default;
    AudioOutputFile& operator=(AudioOutputFile&&) noexcept = default;

    void Write(std::span<const std::uint8_t> bytes);
    // Writes over the bytes at offset, then goes on at the end.
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Flushes and closes; a disk that filled up meanwhile is told here.
    void Close();

    [[noreturn]] void Fail(int error, const char* what) const;
    [[nodiscard]] const std::filesystem::path& Path() const noexcept { return path_; }
    // For libsndfile, which moves through the file itself.
    [[nodiscard]] std::FILE* Stream() const noexcept { return file_.get(); }

private:
    struct Closer {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::filesystem::path path_;    // the name it is for
    std::filesystem::path staging_; // its own name until it is closed
    bool keep_;
};

} // namespace bitreel
