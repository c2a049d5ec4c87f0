#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace bitreel {

// A tape image opened for reading raw bytes, read strictly forward.
// Reads go through a buffer of its own, so reading a block byte by byte costs
// no system call per byte. It can also stand over bytes in memory.
class TapeFile {
public:
    // Throws std::system_error when the file cannot be opened.
    explicit TapeFile(const std::filesystem::path& path);

    // A tape image held in memory (tests, fuzzing, benchmarks).
    [[nodiscard]] static TapeFile FromBytes(std::vector<std::uint8_t> bytes);

    // A tape image held in memory elsewhere, read from offset on, without a
    // copy; bytes must outlive the TapeFile. Size() is the whole image's.
    [[nodiscard]] static TapeFile Over(std::span<const std::uint8_t> bytes,
                                       std::uint64_t offset = 0);

    // The size of the whole file in bytes, as it was when it was opened.
    [[nodiscard]] std::uint64_t Size() const noexcept { return size_; }

    // How far reading has come: the offset of the next unread byte.
    [[nodiscard]] std::uint64_t Position() const noexcept { return position_; }

    // No unread byte is left. Throws std::system_error on a read error.
    [[nodiscard]] bool AtEnd();

    // Appends up to count bytes to out and returns how many it appended;
    // fewer than count only at the end of the file. Throws std::system_error
    // on a read error.
    std::size_t Read(std::size_t count, std::vector<std::uint8_t>& out);

    // Releases the file early; later reads find the end.
    void Close() noexcept;

private:
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };

    TapeFile() = default;
    bool Refill();

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;
    std::vector<std::uint8_t> buffer_;
    std::span<const std::uint8_t> view_; // what reads take from: buffer_ or outside bytes
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

// The whole file, read once: the one way a tape image is read into memory.
// Throws std::system_error when it cannot be opened or read, or (EFBIG) when
// it holds more than maxSize bytes, also when it grew past that while read.
[[nodiscard]] std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                                      std::uint64_t maxSize);

} // namespace bitreel
