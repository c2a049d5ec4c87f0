#pragma once

// A forward reader over bytes in memory that checks the bytes left before
// every field it reads: the one place where tape readers decode their
// little-endian fields.

#include <cstdint>
#include <optional>
#include <span>

namespace bitreel {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) noexcept : bytes_(bytes) {}

    [[nodiscard]] std::size_t Offset() const noexcept { return pos_; }
    [[nodiscard]] std::size_t Left() const noexcept { return bytes_.size() - pos_; }
    [[nodiscard]] bool AtEnd() const noexcept { return pos_ == bytes_.size(); }

    // Each read returns no value, and moves nowhere, when the field runs past
    // the end.
    [[nodiscard]] std::optional<std::uint8_t> U8() noexcept {
        return Left() >= 1 ? std::optional<std::uint8_t>(bytes_[pos_++]) : std::nullopt;
    }
    [[nodiscard]] std::optional<std::uint16_t> U16() noexcept { return Le<std::uint16_t>(2); }
    [[nodiscard]] std::optional<std::uint32_t> U24() noexcept { return Le<std::uint32_t>(3); }
    [[nodiscard]] std::optional<std::uint32_t> U32() noexcept { return Le<std::uint32_t>(4); }

    // The next count bytes, or no value when fewer are left.
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> Bytes(std::size_t count) noexcept {
        if (Left() < count) {
            return std::nullopt;
        }
        const auto taken = bytes_.subspan(pos_, count);
        pos_ += count;
        return taken;
    }

    // Moves past count bytes; false, moving nowhere, when fewer are left.
    [[nodiscard]] bool Skip(std::size_t count) noexcept { return Bytes(count).has_value(); }

private:
    template <typename Value> std::optional<Value> Le(std::size_t size) noexcept {
        if (Left() < size) {
            return std::nullopt;
        }
        Value value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<Value>(static_cast<Value>(bytes_[pos_ + i]) << (8 * i));
        }
        pos_ += size;
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The 16-bit little-endian field at offset, or no value when it does not lie
// wholly inside bytes.
[[nodiscard]] inline std::optional<std::uint16_t> Le16At(std::span<const std::uint8_t> bytes,
                                                         std::size_t offset) noexcept {
    if (offset > bytes.size()) {
        return std::nullopt;
    }
    return ByteCursor(bytes.subspan(offset)).U16();
}

// Writes value as a 16-bit little-endian field at the front of out (which
// holds at least two bytes).
inline void PutLe16(std::span<std::uint8_t, 2> out, std::uint16_t value) noexcept {
    out[0] = static_cast<std::uint8_t>(value & 0xFF);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

} // namespace bitreel
