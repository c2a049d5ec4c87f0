// The file a sound file is written to.
#include "signal/render/AudioOutputFile.h"

#include "tape/StagedFile.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace bitreel {
AudioOutputFile::AudioOutputFile(const std::filesystem::path& path, FileCreation creation)
    : path_(StagingTarget(path)), keep_(creation == FileCreation::Refuse) {
    std::error_code ec;
    if (std::filesystem::is_directory(path_, ec)) {
        Fail(EISDIR, "cannot create");
    }
    if (keep_ && std::filesystem::exists(path_, ec)) {
        Fail(EEXIST, "cannot create");
    }
    // "+": libsndfile reads back what it wrote.
    if (WrittenInPlace(path_)) {
        file_.reset(std::fopen(path_.c_str(), "wb+"));
    } else {
        file_.reset(CreateStagingFile(path_, staging_, "wb+"));
    }
    if (!file_) {
        Fail(errno, "cannot create");
    }
}

AudioOutputFile::~AudioOutputFile() {
    if (file_ && !staging_.empty()) {
        file_.reset();
        std::error_code ignored;
        std::filesystem::remove(staging_, ignored);
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
    int error = ReadyToReplace(file_.get(), path_, keep_);
    if (std::fclose(file_.release()) != 0 && error == 0) {
        error = errno != 0 ? errno : EIO;
    }
    if (error == 0 && !staging_.empty()) {
        error = MoveIntoPlace(staging_, path_, keep_);
    }
    if (error != 0) {
        std::error_code ignored;
        if (!staging_.empty()) {
            std::filesystem::remove(staging_, ignored);
        }
        Fail(error, "cannot write");
    }
}

} // namespace bitreel
