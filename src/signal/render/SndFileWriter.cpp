// WAV and FLAC files through libsndfile.
#include "signal/render/AudioFileImpl.h"

#include <sndfile.h>

#include <cerrno>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

namespace bitreel {
namespace {

// libsndfile's own error numbers, told in its words.
class SndFileCategory final : public std::error_category {
public:
    [[nodiscard]] const char* name() const noexcept override { return "sndfile"; }
    [[nodiscard]] std::string message(int code) const override { return sf_error_number(code); }
};

const std::error_category& SndFileErrors() {
    static const SndFileCategory category;
    return category;
}

// libsndfile reaches the file through these, so that a failed write keeps
// its errno for the message, and a file given up keeps the header it
// started with (which claims no samples) instead of one that calls what
// came before the failure the whole tape.
struct Sink {
    std::FILE* file;
    int error = 0;
    bool abandoned = false;
};

sf_count_t SinkLength(void* user) {
    std::FILE* file = static_cast<Sink*>(user)->file;
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const off_t end = ftello(file);
    return fseeko(file, here, SEEK_SET) == 0 ? end : -1;
}

sf_count_t SinkSeek(sf_count_t offset, int whence, void* user) {
    std::FILE* file = static_cast<Sink*>(user)->file;
    return fseeko(file, static_cast<off_t>(offset), whence) == 0 ? ftello(file) : -1;
}

sf_count_t SinkRead(void* data, sf_count_t count, void* user) {
    auto& sink = *static_cast<Sink*>(user);
    return static_cast<sf_count_t>(std::fread(data, 1, static_cast<std::size_t>(count), sink.file));
}

sf_count_t SinkWrite(const void* data, sf_count_t count, void* user) {
    auto& sink = *static_cast<Sink*>(user);
    if (sink.abandoned) {
        return count;
    }
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(count), sink.file);
    if (written != static_cast<std::size_t>(count)) {
        sink.error = errno;
    }
    return static_cast<sf_count_t>(written);
}

sf_count_t SinkTell(void* user) {
    return ftello(static_cast<Sink*>(user)->file);
}

// A WAV file counts its bytes in 32 bits; what is past that no player finds.
// Plain WAV none the less, not RF64 or WAVE_FORMAT_EXTENSIBLE, so that every
// player reads it: the limit is more than six hours at 96 kHz, more than
// thirteen at 44.1 kHz.
constexpr std::uint64_t MaxWavSamples = (0xFFFF'FFFFull - 44) / 2;

class SndFileWriter final : public AudioFileWriter::Impl {
public:
    SndFileWriter(AudioOutputFile file, AudioFileType type, std::uint32_t rate)
        : file_(std::move(file)), sink_(std::make_unique<Sink>(Sink{file_.Stream()})) {
        SF_INFO info{};
        info.samplerate = static_cast<int>(rate);
        info.channels = 1;
        info.format =
            (type == AudioFileType::Wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16;
        SF_VIRTUAL_IO io{SinkLength, SinkSeek, SinkRead, SinkWrite, SinkTell};
        sound_ = sf_open_virtual(&io, SFM_WRITE, &info, sink_.get());
        if (sound_ == nullptr) {
            Fail(sf_error(nullptr));
        }
        if (type == AudioFileType::Wav) {
            room_ = MaxWavSamples;
        }
    }

    SndFileWriter(const SndFileWriter&) = delete;
    SndFileWriter& operator=(const SndFileWriter&) = delete;

    ~SndFileWriter() override {
        if (sound_ != nullptr) {
            sink_->abandoned = true;
            sf_close(sound_);
        }
    }

    void Write(std::span<const std::int16_t> samples) override {
        if (samples.size() > room_) {
            throw std::system_error(EFBIG, std::generic_category(),
                                    "cannot write " + file_.Path().string() +
                                        ": a WAV file holds no more than 4 GiB; write FLAC or "
                                        "CSW, or choose a lower rate");
        }
        room_ -= samples.size();
        const auto count = static_cast<sf_count_t>(samples.size());
        if (sf_write_short(sound_, samples.data(), count) != count) {
            Fail(sf_error(sound_));
        }
    }

    void Finish() override {
        const int error = sf_close(sound_);
        sound_ = nullptr;
        if (error != SF_ERR_NO_ERROR || sink_->error != 0) {
            Fail(error);
        }
        file_.Close();
    }

private:
    // The system's reason when a write failed, else libsndfile's.
    [[noreturn]] void Fail(int sndfileError) const {
        if (sink_->error != 0 || sndfileError == SF_ERR_NO_ERROR) {
            file_.Fail(sink_->error, "cannot write");
        }
        throw std::system_error(sndfileError, SndFileErrors(),
                                "cannot write " + file_.Path().string());
    }

    AudioOutputFile file_;
    std::unique_ptr<Sink> sink_; // where libsndfile finds it, whatever moves
    SNDFILE* sound_ = nullptr;
    std::uint64_t room_ = std::numeric_limits<std::uint64_t>::max(); // samples the file may take
};

} // namespace

std::unique_ptr<AudioFileWriter::Impl> MakeSndFileWriter(AudioOutputFile file, AudioFileType type,
                                                         std::uint32_t rate) {
    return std::make_unique<SndFileWriter>(std::move(file), type, rate);
}

} // namespace bitreel
