// New files written beside the name they are for, and moved onto it whole.
#include "tape/StagedFile.h"

#include <cerrno>
#include <random>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bitreel {
namespace {

namespace fs = std::filesystem;

fs::path StagingName(const fs::path& path) {
    static std::minstd_rand random{std::random_device{}()};
    return path.parent_path() /
           ("." + path.filename().string() + "." + std::to_string(random()) + ".part");
}

// A file of that name made afresh, never one that is there already.
std::FILE* CreateNew(const fs::path& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wide =
        std::wstring(mode, mode + std::char_traits<char>::length(mode)) + L"x";
    return _wfopen(path.c_str(), wide.c_str());
#else
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
#endif
}

} // namespace

fs::path StagingTarget(const fs::path& path) {
    std::error_code ignored;
    if (fs::is_symlink(path, ignored)) {
        const fs::path resolved = fs::weakly_canonical(path, ignored);
        if (!resolved.empty()) {
            return resolved;
        }
    }
    return path;
}

bool WrittenInPlace(const fs::path& target) {
    std::error_code error;
    const fs::file_status status = fs::status(target, error);
    return !error && fs::exists(status) && !fs::is_regular_file(status) &&
           !fs::is_directory(status);
}

std::FILE* CreateStagingFile(const fs::path& target, fs::path& staging, const char* mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        staging = StagingName(target);
        errno = 0;
        if (std::FILE* file = CreateNew(staging, mode)) {
            return file;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return nullptr;
}

int MoveIntoPlace(const fs::path& from, const fs::path& to, bool keep) {
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

int ReadyToReplace(std::FILE* file, const fs::path& target, bool keep) {
    if (std::fflush(file) != 0) {
        return errno != 0 ? errno : EIO;
    }
#ifndef _WIN32
    // The bytes are on the disk before the name moves to them, so that a
    // crash leaves either the old file or the new one whole.
    if (::fsync(::fileno(file)) != 0 && errno != EINVAL) {
        return errno;
    }
    // A file replaced keeps who may read and write it.
    struct stat old {};
    if (!keep && ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(::fileno(file), old.st_mode & 07777);
    }
#else
    (void)target;
    (void)keep;
#endif
    return 0;
}

} // namespace bitreel
