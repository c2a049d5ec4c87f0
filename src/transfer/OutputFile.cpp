// Writes a recorded tape image block by block.
#include "transfer/OutputFile.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace bitreel {
namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::filesystem::path& path) {
    const int error = errno != 0 ? errno : EIO;
    throw std::system_error(error, std::generic_category(),
                            std::string(what) + " " + path.string());
}

std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

} // namespace

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path) {
    errno = 0;
    file_.reset(OpenForWriting(path));
    if (!file_) {
        ThrowFileError("Cannot create", path);
    }
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (!file_) {
        errno = EBADF;
        ThrowFileError("Cannot write to closed", path_);
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
        std::fflush(file_.get()) != 0) {
        const int error = errno != 0 ? errno : EIO;
        // A block that got only partly onto the disk (a full disk, a size
        // limit) is cut off again, so that the file holds whole blocks only.
        std::error_code ignored;
        file_.reset();
        std::filesystem::resize_file(path_, written_, ignored);
        errno = error;
        ThrowFileError("Cannot write", path_);
    }
    written_ += bytes.size();
}

void OutputFile::Close() {
    if (!file_) {
        return;
    }
    errno = 0;
    if (std::fclose(file_.release()) != 0) {
        ThrowFileError("Cannot close", path_);
    }
}

} // namespace bitreel
