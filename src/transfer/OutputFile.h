#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace bitreel {

// A file whose name was taken from it while it was written (the file was
// removed, or another put in its place): its bytes went on into a new file.
struct MovedFile {
    std::filesystem::path from; // the name it had
    bool replaced = false;      // another file has that name now
};

// What a new file may do to a file that already has its name.
enum class ExistingFile {
    Replace, // the new file takes the name over
    Keep,    // the new file fails (EEXIST) rather than replace it
};

// A file written under a name of its own beside the one it is for: it takes
// that name, in one atomic rename, only once its first write is on the disk
// whole. Until then a file of that name stays as it was, and one that never
// took the name is removed again, so that a recording stopped before its
// first block, or a picture that could not be written, leaves nothing
// behind. The file stays open after taking its name: later writes (a
// recording's next blocks) go on into it, each to the system at once, so
// that it holds every block written even if the program ends the next
// moment. Before each of those writes it makes sure that the file at its
// name is still itself: when that file was removed or replaced, everything
// written so far and the new bytes go into a new file, under the name again
// if it is free, else beside it ("NAME-2.TAP"), so that nothing written is
// lost and no other file is touched. It keeps a copy of what it wrote for
// that.
class OutputFile {
public:
    // Throws std::system_error when the file cannot be created beside path,
    // when path is a folder, and (EEXIST) when path exists and may not be
    // replaced.
    explicit OutputFile(const std::filesystem::path& path,
                        ExistingFile existing = ExistingFile::Replace);
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes the bytes exactly; throws std::system_error when they do not
    // all reach the file (the first write also when the file cannot take
    // its name). A file that had taken its name is cut back to its size
    // before and closed; one that had not is removed.
    void Write(std::span<const std::uint8_t> bytes);
    // Throws std::system_error when the last bytes could not be stored.
    void Close();
    [[nodiscard]] bool IsOpen() const noexcept { return file_ != nullptr; }
    // The file has taken its name.
    [[nodiscard]] bool Named() const noexcept { return named_; }
    // The name the file has, or is to take.
    [[nodiscard]] const std::filesystem::path& Path() const noexcept { return path_; }
    // Whether the file had to move to a new one, and from which name.
    [[nodiscard]] const std::optional<MovedFile>& Moved() const noexcept { return moved_; }

private:
    void TakeName();
    void Discard() noexcept;
    [[nodiscard]] bool AtItsName() const;
    void MoveToNewFile();

    struct FileCloser {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::filesystem::path path_;    // the name the file is for
    std::filesystem::path staging_; // its own name until it takes that one
    ExistingFile existing_;
    bool named_ = false;
    std::uintmax_t written_ = 0;
    // Every byte written, for a new file when this one was removed or
    // written over: a copy onto it leaves nothing of them to read back.
    std::vector<std::uint8_t> kept_;
    std::optional<MovedFile> moved_;
};

} // namespace bitreel
