// Writes a new file beside the one it is for, which it replaces once it holds something.
#include "transfer/OutputFile.h"

#include "tape/StagedFile.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace bitreel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowFileError(int error, const char* what, const fs::path& path) {
    throw std::system_error(error != 0 ? error : EIO, std::generic_category(),
                            std::string(what) + " " + path.string());
}

} // namespace

OutputFile::OutputFile(const fs::path& path, ExistingFile existing)
    : path_(StagingTarget(path)), existing_(existing) {
    std::error_code ignored;
    if (fs::is_directory(path_, ignored)) {
        ThrowFileError(EISDIR, "Cannot create", path_);
    }
    if (existing_ == ExistingFile::Keep && fs::exists(path_, ignored)) {
        ThrowFileError(EEXIST, "Cannot create", path_);
    }
    if (WrittenInPlace(path_)) {
        file_.reset(std::fopen(path_.c_str(), "wb"));
        named_ = file_ != nullptr;
    } else {
        file_.reset(CreateStagingFile(path_, staging_, "wb"));
    }
    if (!file_) {
        ThrowFileError(errno, "Cannot create", path_);
    }
}

OutputFile::~OutputFile() {
    if (!named_) {
        Discard();
    }
}

void OutputFile::Discard() noexcept {
    file_.reset();
    std::error_code ignored;
    fs::remove(staging_, ignored);
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (!file_) {
        ThrowFileError(EBADF, "Cannot write to closed", path_);
    }
    errno = 0;
    // fwrite takes no null buffer, even for nothing: an empty tape is no write.
    if ((!bytes.empty() &&
         std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) ||
        std::fflush(file_.get()) != 0) {
        const int error = errno;
        if (!named_) {
            Discard();
        } else {
            // A block that got only partly onto the disk (a full disk, a size
            // limit) is cut off again, so that the file holds whole blocks only.
            file_.reset();
            std::error_code ignored;
            fs::resize_file(path_, written_, ignored);
        }
        ThrowFileError(error, "Cannot write", path_);
    }
    written_ += bytes.size();
    if (!named_) {
        TakeName();
    }
}

void OutputFile::TakeName() {
    const bool keep = existing_ == ExistingFile::Keep;
    int error = ReadyToReplace(file_.get(), path_, keep);
    if (error == 0) {
        error = MoveIntoPlace(staging_, path_, keep);
    }
    if (error != 0) {
        Discard();
        ThrowFileError(error, "Cannot write", path_);
    }
    named_ = true;
}

void OutputFile::Close() {
    if (!file_) {
        return;
    }
    if (!named_) {
        Discard();
        return;
    }
    errno = 0;
    if (std::fclose(file_.release()) != 0) {
        ThrowFileError(errno, "Cannot close", path_);
    }
}

} // namespace bitreel
