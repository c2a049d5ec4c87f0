// CSW v2 files: the lengths of the signal's levels in samples, run-length
// coded and deflated (Z-RLE).
#include "signal/render/AudioFileImpl.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace bitreel {
namespace {

constexpr std::string_view Signature = "Compressed Square Wave";
constexpr std::string_view Application = "Bitreel";
constexpr std::size_t HeaderSize = 0x34;
constexpr std::size_t PulsesAt = 0x1D;
constexpr std::size_t FlagsAt = 0x22;
constexpr std::uint8_t ZRle = 2;
constexpr std::uint8_t StartsHigh = 0x01;
// The run-length bytes gathered before they are deflated, and the deflated
// bytes before they are written: the memory a writer keeps, whatever the tape.
constexpr std::size_t ChunkSize = 64 * 1024;

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::array<std::uint8_t, HeaderSize> Header(std::uint32_t rate, std::uint32_t pulses,
                                            bool startsHigh) {
    std::array<std::uint8_t, HeaderSize> header{};
    std::memcpy(header.data(), Signature.data(), Signature.size());
    header[0x16] = 0x1A;
    header[0x17] = 2; // version 2.0
    header[0x18] = 0;
    PutLe32(&header[0x19], rate);
    PutLe32(&header[PulsesAt], pulses);
    header[0x21] = ZRle;
    header[FlagsAt] = startsHigh ? StartsHigh : 0;
    header[0x23] = 0; // no header extension
    std::memcpy(&header[0x24], Application.data(), Application.size());
    return header;
}

class CswWriter final : public AudioFileWriter::Impl {
public:
    CswWriter(AudioOutputFile file, std::uint32_t rate) : file_(std::move(file)), rate_(rate) {
        // What stands until Finish knows the count and the first level: a
        // file that claims no pulses, if it is never finished.
        file_.Write(Header(rate_, 0, false));
        if (deflateInit(&stream_, Z_DEFAULT_COMPRESSION) != Z_OK) {
            file_.Fail(ENOMEM, "cannot write");
        }
        runs_.reserve(ChunkSize);
        deflated_.resize(ChunkSize);
    }

    CswWriter(const CswWriter&) = delete;
    CswWriter& operator=(const CswWriter&) = delete;
    ~CswWriter() override { deflateEnd(&stream_); }

    void Write(std::span<const std::int16_t> samples) override {
        auto at = samples.begin();
        if (!started_) {
            started_ = true;
            high_ = *at > 0;
            startsHigh_ = high_;
        }
        while (at != samples.end()) {
            const bool high = high_;
            const auto change =
                std::find_if(at, samples.end(), [high](std::int16_t s) { return (s > 0) != high; });
            run_ += static_cast<std::uint64_t>(change - at);
            at = change;
            if (at != samples.end()) {
                Emit();
                high_ = !high_;
            }
        }
    }

    void Finish() override {
        if (started_) {
            Emit();
        }
        Deflate(Z_FINISH);
        file_.WriteAt(0, Header(rate_, pulses_, startsHigh_));
        file_.Close();
    }

private:
    void Emit() {
        if (run_ > std::numeric_limits<std::uint32_t>::max() ||
            pulses_ == std::numeric_limits<std::uint32_t>::max()) {
            throw std::system_error(EOVERFLOW, std::generic_category(),
                                    "cannot write " + file_.Path().string() +
                                        ": CSW counts no more than 2^32 pulses of 2^32 samples");
        }
        if (run_ <= 255) {
            runs_.push_back(static_cast<std::uint8_t>(run_));
        } else {
            std::array<std::uint8_t, 5> longRun{0};
            PutLe32(&longRun[1], static_cast<std::uint32_t>(run_));
            runs_.insert(runs_.end(), longRun.begin(), longRun.end());
        }
        ++pulses_;
        run_ = 0;
        if (runs_.size() >= ChunkSize - 5) {
            Deflate(Z_NO_FLUSH);
        }
    }

    void Deflate(int flush) {
        stream_.next_in = runs_.data();
        stream_.avail_in = static_cast<uInt>(runs_.size());
        int status = Z_OK;
        do {
            stream_.next_out = deflated_.data();
            stream_.avail_out = static_cast<uInt>(deflated_.size());
            status = deflate(&stream_, flush);
            if (status == Z_STREAM_ERROR) {
                file_.Fail(EIO, "cannot write");
            }
            file_.Write(std::span(deflated_).first(deflated_.size() - stream_.avail_out));
        } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        runs_.clear();
    }

    AudioOutputFile file_;
    std::uint32_t rate_;
    z_stream stream_{};
    std::vector<std::uint8_t> runs_;
    std::vector<std::uint8_t> deflated_;
    std::uint64_t run_ = 0; // samples of the level in hand so far
    std::uint32_t pulses_ = 0;
    bool started_ = false;
    bool high_ = false;
    bool startsHigh_ = false;
};

} // namespace

std::unique_ptr<AudioFileWriter::Impl> MakeCswWriter(AudioOutputFile file, std::uint32_t rate) {
    return std::make_unique<CswWriter>(std::move(file), rate);
}

} // namespace bitreel
