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

} // namespace bitreel::bench
