#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

namespace bitreel {

// A recorded tape image opened for writing: created, or emptied when it
// exists. Every write goes to the system at once, so the file holds every
// block written even if the program ends the next moment.
class OutputFile {
public:
    // Throws std::system_error when the file cannot be created.
    explicit OutputFile(const std::filesystem::path& path);

    // Writes the bytes exactly; throws std::system_error when they do not
    // all reach the file, after cutting the file back to its size before,
    // and closes it.
    void Write(std::span<const std::uint8_t> bytes);
    // Throws std::system_error when the last bytes could not be stored.
    void Close();
    [[nodiscard]] bool IsOpen() const noexcept { return file_ != nullptr; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;
    std::uintmax_t written_ = 0;
};

} // namespace bitreel
