#pragma once

// Large tape images for the timed programs, written straight to a file.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace bitreel::bench {

// Zero bytes: one empty block for every two.
inline void WriteZeros(const std::filesystem::path& path, std::uint64_t size) {
    { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
    std::filesystem::resize_file(path, size);
}

// A TZX image of no more than size bytes, all pause blocks (ID 0x20) of one
// second each: one row for every three bytes. Returns the blocks written.
inline std::uint64_t WritePauseTzx(const std::filesystem::path& path, std::uint64_t size) {
    const std::vector<std::uint8_t> signature{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    const std::uint64_t blocks = (size - signature.size()) / 3;
    std::vector<std::uint8_t> bytes(signature);
    bytes.reserve(signature.size() + 3 * blocks);
    for (std::uint64_t i = 0; i < blocks; ++i) {
        bytes.insert(bytes.end(), {0x20, 0xE8, 0x03});
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return blocks;
}

// A TAP file of no more than size bytes, all data blocks of a 48K load
// (flag 255, 49,152 bytes, their checksum) with pseudo-random bytes, so that
// its sound holds ones and zeros alike: about 100 hours for 64 MiB. Returns
// the blocks written.
inline std::uint64_t WriteDataTap(const std::filesystem::path& path, std::uint64_t size) {
    constexpr std::uint32_t Payload = 49'152;
    constexpr std::uint64_t BlockSize = 2 + 1 + Payload + 1;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> block(BlockSize);
    std::uint32_t random = 2'463'534'242u;
    const std::uint64_t blocks = size / BlockSize;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        block[0] = static_cast<std::uint8_t>((Payload + 2) & 0xFF);
        block[1] = static_cast<std::uint8_t>((Payload + 2) >> 8);
        block[2] = 0xFF;
        std::uint8_t checksum = 0xFF;
        for (std::uint32_t i = 0; i < Payload; ++i) {
            random ^= random << 13;
            random ^= random >> 17;
            random ^= random << 5;
            block[3 + i] = static_cast<std::uint8_t>(random);
            checksum ^= block[3 + i];
        }
        block[BlockSize - 1] = checksum;
        out.write(reinterpret_cast<const char*>(block.data()),
                  static_cast<std::streamsize>(block.size()));
    }
    return blocks;
}

} // namespace bitreel::bench
