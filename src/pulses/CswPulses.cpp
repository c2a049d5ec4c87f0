// Reads the pulses of CSW recording data, inflating Z-RLE as it goes.
#include "pulses/CswPulses.h"

#include <array>
#include <zlib.h>

namespace bitreel {

// zlib's inflater over the compressed data, a small buffer at a time, so
// that a recording of hours never has to be held inflated.
class CswPulseReader::Inflater {
public:
    explicit Inflater(std::span<const std::uint8_t> data) {
        stream_.next_in = const_cast<Bytef*>(data.data()); // zlib never writes it
        stream_.avail_in = static_cast<uInt>(data.size());
        ok_ = inflateInit(&stream_) == Z_OK;
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() {
        if (ok_) {
            inflateEnd(&stream_);
        }
    }

    std::optional<std::uint8_t> Byte() {
        if (at_ == filled_ && !Refill()) {
            return std::nullopt;
        }
        return buffer_[at_++];
    }

    // Only the stream's own end is a whole stream.
    [[nodiscard]] bool Damaged() const noexcept { return !ok_ || status_ != Z_STREAM_END; }

private:
    bool Refill() {
        if (!ok_ || ended_) {
            return false;
        }
        stream_.next_out = buffer_.data();
        stream_.avail_out = static_cast<uInt>(buffer_.size());
        const int status = inflate(&stream_, Z_NO_FLUSH);
        filled_ = buffer_.size() - stream_.avail_out;
        at_ = 0;
        ended_ = status != Z_OK;
        status_ = status;
        return filled_ > 0;
    }

    z_stream stream_{};
    std::array<std::uint8_t, 16 * 1024> buffer_{};
    std::size_t filled_ = 0;
    std::size_t at_ = 0;
    int status_ = Z_OK;
    bool ok_ = false;
    bool ended_ = false;
};

CswPulseReader::CswPulseReader(std::span<const std::uint8_t> data, CswCompression compression)
    : data_(data) {
    if (compression == CswCompression::ZRle) {
        inflater_ = std::make_unique<Inflater>(data);
    }
}

CswPulseReader::CswPulseReader(CswPulseReader&&) noexcept = default;
CswPulseReader& CswPulseReader::operator=(CswPulseReader&&) noexcept = default;
CswPulseReader::~CswPulseReader() = default;

std::optional<std::uint8_t> CswPulseReader::Byte() {
    if (inflater_) {
        return inflater_->Byte();
    }
    if (at_ >= data_.size()) {
        return std::nullopt;
    }
    return data_[at_++];
}

std::optional<std::uint32_t> CswPulseReader::Next() {
    const auto first = Byte();
    if (!first) {
        return std::nullopt;
    }
    if (*first != 0) {
        return *first;
    }
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = Byte();
        if (!byte) {
            cut_ = true;
            return std::nullopt;
        }
        length |= std::uint32_t{*byte} << (8 * i);
    }
    return length;
}

bool CswPulseReader::Damaged() const noexcept {
    return cut_ || (inflater_ && inflater_->Damaged());
}

bool CswDataWhole(std::span<const std::uint8_t> data, CswCompression compression) {
    CswPulseReader reader(data, compression);
    while (reader.Next()) {
    }
    return !reader.Damaged();
}

} // namespace bitreel
