// The file a sound file is written to.
#include "signal/AudioOutputFile.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace bitreel {
namespace {

std::FILE* OpenForWriting(const std::filesystem::path& path, FileCreation creation) {
    // "x" creates the file only when there is none, in one step; "+" lets
    // libsndfile read back what it wrote.
    const bool replace = creation == FileCreation::Replace;
#ifdef _WIN32
    return _wfopen(path.c_str(), replace ? L"wb+" : L"wb+x");
#else
    return std::fopen(path.c_str(), replace ? "wb+" : "wb+x");
#endif
}

} // namespace

AudioOutputFile::AudioOutputFile(const std::filesystem::path& path, FileCreation creation)
    : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        Fail(EISDIR, "cannot create");
    }
    file_.reset(OpenForWriting(path, creation));
    if (!file_) {
        Fail(errno, "cannot create");
    }
}

void AudioOutputFile::Fail(int error, const char* what) const {
    throw std::system_error(error == 0 ? EIO : error, std::generic_category(),
                            std::string(what) + " " + path_.string());
}

void AudioOutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        Fail(errno, "cannot write");
    }
}

void AudioOutputFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
        Fail(errno, "cannot write");
    }
    Write(bytes);
    if (fseeko(file_.get(), 0, SEEK_END) != 0) {
        Fail(errno, "cannot write");
    }
}

void AudioOutputFile::Close() {
    if (!file_) {
        return;
    }
    const bool flushed = std::fflush(file_.get()) == 0;
    const int error = errno;
    if (std::fclose(file_.release()) != 0 || !flushed) {
        Fail(flushed ? errno : error, "cannot write");
    }
}

} // namespace bitreel
