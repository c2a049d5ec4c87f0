// Writes a new file beside the one it is for, which it replaces once it holds something.
#include "transfer/OutputFile.h"

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bitreel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowFileError(int error, const char* what, const fs::path& path) {
    throw std::system_error(error != 0 ? error : EIO, std::generic_category(),
                            std::string(what) + " " + path.string());
}

// Where the file is written until it takes its name: hidden, and with an
// ending no file list of tape images shows.
fs::path StagingName(const fs::path& path) {
    static std::minstd_rand random{std::random_device{}()};
    return path.parent_path() /
           ("." + path.filename().string() + "." + std::to_string(random()) + ".part");
}

// A file of that name made afresh, never one that is there already.
std::FILE* CreateNew(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wbx");
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
#endif
}

// The name a new file is for: through a link, the file it leads to, so that
// the link stays a link.
fs::path Target(const fs::path& path) {
    std::error_code ignored;
    if (fs::is_symlink(path, ignored)) {
        const fs::path resolved = fs::weakly_canonical(path, ignored);
        if (!resolved.empty()) {
            return resolved;
        }
    }
    return path;
}

// Moves the file at from to the name to; with keep, fails with EEXIST
// rather than replace a file there. 0 or the error.
int Rename(const fs::path& from, const fs::path& to, bool keep) {
#ifdef _WIN32
    std::error_code error;
    if (keep && fs::exists(to, error)) {
        return EEXIST;
    }
    fs::rename(from, to, error);
    return error.value();
#else
    if (!keep) {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    // A second name that fails when the name is taken, then the first one
    // gone: no moment at which another file of that name is replaced.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    const int error = errno;
    if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP) {
        return error;
    }
    // A file system without second names (FAT): looked at, then moved.
    struct stat there {};
    if (::lstat(to.c_str(), &there) == 0) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
#endif
}

} // namespace

OutputFile::OutputFile(const fs::path& path, ExistingFile existing)
    : path_(Target(path)), existing_(existing) {
    std::error_code ignored;
    if (fs::is_directory(path_, ignored)) {
        ThrowFileError(EISDIR, "Cannot create", path_);
    }
    if (existing_ == ExistingFile::Keep && fs::exists(path_, ignored)) {
        ThrowFileError(EEXIST, "Cannot create", path_);
    }
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        staging_ = StagingName(path_);
        errno = 0;
        file_.reset(CreateNew(staging_));
        if (!file_ && errno != EEXIST) {
            break;
        }
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
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size() ||
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
#ifndef _WIN32
    // The bytes are on the disk before the name moves to them, so that a
    // crash leaves either the old file or the new one with its first block.
    if (::fsync(::fileno(file_.get())) != 0 && errno != EINVAL) {
        const int error = errno;
        Discard();
        ThrowFileError(error, "Cannot write", path_);
    }
    // A file replaced keeps who may read and write it.
    struct stat old {};
    if (existing_ == ExistingFile::Replace && ::stat(path_.c_str(), &old) == 0 &&
        S_ISREG(old.st_mode)) {
        ::fchmod(::fileno(file_.get()), old.st_mode & 07777);
    }
#endif
    if (const int error = Rename(staging_, path_, existing_ == ExistingFile::Keep); error != 0) {
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
