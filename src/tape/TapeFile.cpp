#include "tape/TapeFile.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace bitreel {
namespace {

constexpr std::size_t BufferSize = 64 * 1024;

[[noreturn]] void ThrowFileError(int error, const char* what, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(),
                            std::string(what) + " " + path.string());
}

std::FILE* OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

} // namespace

TapeFile::TapeFile(const std::filesystem::path& path) : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        ThrowFileError(EISDIR, "Cannot open", path);
    }
    file_.reset(OpenForReading(path));
    if (!file_) {
        ThrowFileError(errno, "Cannot open", path);
    }
    // Our own buffer replaces stdio's, so that large blocks are read once.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        ThrowFileError(ec.value(), "Cannot size", path);
    }
    size_ = size;
    buffer_.resize(BufferSize);
}

TapeFile TapeFile::FromBytes(std::vector<std::uint8_t> bytes) {
    TapeFile file;
    file.size_ = bytes.size();
    file.end_ = bytes.size();
    file.buffer_ = std::move(bytes);
    // The vector's storage moves with the TapeFile, so the view stays good.
    file.view_ = file.buffer_;
    return file;
}

TapeFile TapeFile::Over(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    TapeFile file;
    file.size_ = bytes.size();
    file.view_ = bytes;
    file.pos_ = static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes.size()));
    file.end_ = bytes.size();
    file.position_ = file.pos_;
    return file;
}

bool TapeFile::Refill() {
    if (!file_) {
        return false;
    }
    pos_ = 0;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
    view_ = std::span<const std::uint8_t>(buffer_).first(end_);
    if (end_ == 0 && std::ferror(file_.get())) {
        ThrowFileError(errno != 0 ? errno : EIO, "Cannot read", path_);
    }
    return end_ > 0;
}

bool TapeFile::AtEnd() {
    return pos_ == end_ && !Refill();
}

std::size_t TapeFile::Read(std::size_t count, std::vector<std::uint8_t>& out) {
    std::size_t done = 0;
    while (done < count) {
        if (pos_ == end_) {
            // A request larger than the buffer goes straight into the caller's
            // storage instead of through the buffer.
            const std::size_t wanted = count - done;
            if (file_ && wanted >= buffer_.size()) {
                const std::size_t start = out.size();
                out.resize(start + wanted);
                const std::size_t got = std::fread(out.data() + start, 1, wanted, file_.get());
                out.resize(start + got);
                position_ += got;
                if (got < wanted && std::ferror(file_.get())) {
                    ThrowFileError(errno != 0 ? errno : EIO, "Cannot read", path_);
                }
                return done + got;
            }
            if (!Refill()) {
                break;
            }
        }
        const std::size_t take = std::min(count - done, end_ - pos_);
        const auto taken = view_.subspan(pos_, take);
        if (take <= 2) {
            // A length field: appended byte by byte, cheaper than a copy.
            for (const std::uint8_t byte : taken) {
                out.push_back(byte);
            }
        } else {
            out.insert(out.end(), taken.begin(), taken.end());
        }
        pos_ += take;
        done += take;
        position_ += take;
    }
    return done;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxSize) {
    const auto tooLarge = [&path] { ThrowFileError(EFBIG, "Cannot read", path); };
    TapeFile file(path);
    if (file.Size() > maxSize) {
        tooLarge();
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(file.Size());
    file.Read(file.Size(), bytes);
    // A file that grew since it was sized is read to its end all the same.
    constexpr std::size_t Chunk = 64 * 1024;
    while (!file.AtEnd()) {
        if (bytes.size() > maxSize) {
            tooLarge();
        }
        file.Read(Chunk, bytes);
    }
    if (bytes.size() > maxSize) {
        tooLarge();
    }
    return bytes;
}

void TapeFile::Close() noexcept {
    file_.reset();
    view_ = {};
    pos_ = end_ = 0;
}

} // namespace bitreel
