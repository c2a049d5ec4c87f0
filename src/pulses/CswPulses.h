#pragma once

// The pulses of a CSW recording's data: each a count of samples, stored as
// one byte, or as a 0 and a 32-bit count when longer than 255; compressed
// with zlib in Z-RLE.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace bitreel {

enum class CswCompression : std::uint8_t { Rle = 1, ZRle = 2 };

class CswPulseReader {
public:
    // data is the RLE (or Z-RLE) stream; it must outlive the reader.
    CswPulseReader(std::span<const std::uint8_t> data, CswCompression compression);
    CswPulseReader(CswPulseReader&&) noexcept;
    CswPulseReader& operator=(CswPulseReader&&) noexcept;
    ~CswPulseReader();

    // The next pulse's length in samples; none at the end of the data (or
    // where the compressed stream is damaged: the pulses before it stand).
    [[nodiscard]] std::optional<std::uint32_t> Next();
    // Whether the data ended inside a pulse's count, or the compressed
    // stream is damaged or cut short: known once Next() gave none.
    [[nodiscard]] bool Damaged() const noexcept;

private:
    [[nodiscard]] std::optional<std::uint8_t> Byte();

    class Inflater;
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
    std::unique_ptr<Inflater> inflater_;
    bool cut_ = false;
};

// Whether the whole of the data reads as pulses: a player checks before it
// plays any, so that a damaged recording stops the tape where it begins
// instead of passing as a short silence.
[[nodiscard]] bool CswDataWhole(std::span<const std::uint8_t> data, CswCompression compression);

} // namespace bitreel
