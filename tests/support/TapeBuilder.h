#pragma once

// Writes tape images byte by byte for tests.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace bitreel::test {

using Bytes = std::vector<std::uint8_t>;

inline std::uint8_t Xor(const Bytes& payload) {
    std::uint8_t x = 0;
    for (auto b : payload) {
        x ^= b;
    }
    return x;
}

class TapeBuilder {
public:
    TapeBuilder& Raw(std::initializer_list<int> bytes) {
        for (int b : bytes) {
            bytes_.push_back(static_cast<std::uint8_t>(b));
        }
        return *this;
    }
    TapeBuilder& Raw(const Bytes& bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TapeBuilder& Length(unsigned n) {
        bytes_.push_back(static_cast<std::uint8_t>(n & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(n >> 8));
        return *this;
    }
    // A Spectrum TAP or JUP block with the given checksum byte.
    TapeBuilder& Block(std::uint8_t flag, const Bytes& payload, std::uint8_t checksum) {
        Length(static_cast<unsigned>(payload.size() + 2));
        bytes_.push_back(flag);
        Raw(payload);
        bytes_.push_back(checksum);
        return *this;
    }
    // A Spectrum TAP or JUP block whose checksum is the XOR of its payload.
    TapeBuilder& Block(std::uint8_t flag, const Bytes& payload) {
        return Block(flag, payload, Xor(payload));
    }
    // A Jupiter Ace TAP block: no flag, checksum the XOR of the payload.
    TapeBuilder& AceTapBlock(const Bytes& payload) {
        Length(static_cast<unsigned>(payload.size() + 1));
        Raw(payload);
        bytes_.push_back(Xor(payload));
        return *this;
    }

    [[nodiscard]] const Bytes& bytes() const { return bytes_; }

    void WriteTo(const std::filesystem::path& path) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()),
                  static_cast<std::streamsize>(bytes_.size()));
    }

private:
    Bytes bytes_;
};

inline void PutWord(Bytes& b, unsigned value) {
    b.push_back(static_cast<std::uint8_t>(value & 0xFF));
    b.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutName(Bytes& b, std::string_view name) {
    for (std::size_t i = 0; i < 10; ++i) {
        b.push_back(static_cast<std::uint8_t>(i < name.size() ? name[i] : ' '));
    }
}

// The 17-byte payload of a Spectrum header.
inline Bytes SpectrumHeader(std::uint8_t type, std::string_view name, unsigned dataLength,
                            unsigned param1, unsigned param2) {
    Bytes b{type};
    PutName(b, name);
    PutWord(b, dataLength);
    PutWord(b, param1);
    PutWord(b, param2);
    return b;
}

// The 25-byte payload of a Jupiter Ace header.
inline Bytes AceHeader(std::uint8_t type, std::string_view name, unsigned dataLength) {
    Bytes b{type};
    PutName(b, name);
    PutWord(b, dataLength);
    b.resize(25, 0x20);
    return b;
}

inline Bytes Filled(std::size_t size, std::uint8_t value) {
    return Bytes(size, value);
}

// The blocks of a TAP or JUP image, each as its length field counts it; a
// last block the image cuts short goes as far as the image does.
inline std::vector<Bytes> TapBlocks(const Bytes& image) {
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at + 2 <= image.size();) {
        const std::size_t length = image[at] | std::size_t{image[at + 1]} << 8;
        const std::size_t end = std::min(image.size(), at + 2 + length);
        blocks.emplace_back(image.begin() + static_cast<std::ptrdiff_t>(at + 2),
                            image.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    return blocks;
}

} // namespace bitreel::test
