// Writes a new file beside the one it is for, which it replaces once it holds something.
#include "transfer/OutputFile.h"

#include "tape/StagedFile.h"

#include <cerrno>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace bitreel {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowFileError(int error, const char* what, const fs::path& path) {
    throw std::system_error(error != 0 ? error : EIO, std::generic_category(),
                            std::string(what) + " " + path.string());
}

#ifndef _WIN32
// The names a moved file tries in turn: the recording's own while it is
// free, then "NAME-2.TAP", "NAME-3.TAP" and on beside it.
fs::path NameToTry(const fs::path& path, int attempt) {
    if (attempt == 1) {
        return path;
    }
    fs::path name = path.stem();
    name += "-" + std::to_string(attempt);
    name += path.extension();
    return path.parent_path() / name;
}

constexpr int MostNamesTried = 1000;
#endif

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
    if (named_ && !AtItsName()) {
        MoveToNewFile();
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
    kept_.insert(kept_.end(), bytes.begin(), bytes.end());
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

bool OutputFile::AtItsName() const {
#ifdef _WIN32
    // A file open for writing can be neither removed nor replaced.
    return true;
#else
    struct stat open {};
    struct stat named {};
    if (::fstat(::fileno(file_.get()), &open) != 0 || !S_ISREG(open.st_mode)) {
        return true; // a device written in place, or nothing to tell by
    }
    if (::stat(path_.c_str(), &named) != 0) {
        return errno != ENOENT && errno != ENOTDIR;
    }
    // Another file at the name, or this one written over in place (a copy
    // onto it): either way it holds what another program put there.
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino &&
           static_cast<std::uintmax_t>(named.st_size) == written_;
#endif
}

void OutputFile::MoveToNewFile() {
#ifndef _WIN32
    std::error_code ignored;
    const bool replaced = fs::exists(path_, ignored);
    // Counted on from the recording's own name, not a moved file's:
    // REC-3.TAP after REC-2.TAP, never REC-2-2.TAP.
    const fs::path from = moved_ ? moved_->from : path_;
    for (int attempt = replaced ? 2 : 1; attempt <= MostNamesTried; ++attempt) {
        const fs::path name = NameToTry(from, attempt);
        if (fs::exists(name, ignored)) {
            continue;
        }
        fs::path staging;
        std::unique_ptr<std::FILE, FileCloser> copy(CreateStagingFile(name, staging, "wb"));
        if (!copy) {
            ThrowFileError(errno, "Cannot create", name);
        }
        errno = 0;
        int error = std::fwrite(kept_.data(), 1, kept_.size(), copy.get()) == kept_.size()
                        ? ReadyToReplace(copy.get(), name, true)
                        : (errno != 0 ? errno : EIO);
        if (error == 0) {
            error = MoveIntoPlace(staging, name, true);
        }
        if (error != 0) {
            copy.reset();
            fs::remove(staging, ignored);
            if (error == EEXIST) {
                continue; // taken meanwhile: the next name
            }
            ThrowFileError(error, "Cannot write", name);
        }
        file_ = std::move(copy);
        path_ = name;
        moved_ = MovedFile{from, replaced || (moved_ && moved_->replaced)};
        return;
    }
    ThrowFileError(EEXIST, "Cannot create", path_);
#endif
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
