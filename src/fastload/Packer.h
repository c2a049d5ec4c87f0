#pragma once

// The fast loader's packer: an LZ of its own, unpacked in place on the
// machine by the main part's unpacker (machine/fastmain.asm).
//
// The stream mixes bits (taken most significant first from a byte fetched
// when the last is used up) with whole bytes (literals and an offset's low
// byte), in the order the unpacker reads them. After a match, and at the
// start, one bit says what comes: 0 a run of literal bytes, 1 a match;
// after a run a match always comes. Numbers from 1 up are interlaced: a 1
// and one bit for each bit below the leading one, from the top, then a 0.
// A run is its length, then its bytes; a match is its length - 1, then its
// offset's high byte + 1 as a number and its low byte as a byte: it copies
// length bytes from offset + 1 back, which may reach below the chunk into
// memory that already holds its last bytes.
//
// In place: the loaded bytes (the stream, then the chunk's last bytes as
// they are) end where the chunk ends; unpacking writes from the chunk's
// start and stops where the raw bytes begin. The packer keeps as many of
// the last bytes raw as it takes for no write to reach a stream byte not
// read yet, so nothing past the chunk is ever touched.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bitreel::fastload {

// The 64 KB the unpacker sees when it unpacks a chunk.
struct PackRequest {
    // What each address holds in the end.
    std::span<const std::uint8_t> memory;
    // 1 where an address below the chunk already holds its last byte when
    // the chunk unpacks: a match may copy from there.
    std::span<const std::uint8_t> settled;
    std::size_t start = 0; // the chunk: [start, end)
    std::size_t end = 0;
    // The tape's time for a bit: the parse weighs the unpacker's time
    // against the tape's (0: bits alone).
    std::uint32_t tstatesPerBit = 0;
};

struct PackedChunk {
    // What goes on tape: loaded so that it ends where the chunk ends.
    std::vector<std::uint8_t> loaded;
    // Unpacking writes from the chunk's start up to here, relative to it
    // (0: the chunk is loaded as it is, no unpacking).
    std::size_t unpackedEnd = 0;
    // The unpacker's time in T-states, memory uncontended.
    std::uint64_t unpackTStates = 0;
};

// At most how much longer the unpacker takes where the screen slows memory.
inline constexpr double ContendedFactor = 1.5;

[[nodiscard]] PackedChunk Pack(const PackRequest& request);

// Unpacks in place as the machine does, for checking: memory holds the
// loaded bytes at the chunk's end and the settled bytes below it; false
// when the stream is damaged (a read past the stream, a copy from outside
// what is settled or written, or a write over stream bytes not read yet).
[[nodiscard]] bool UnpackInPlace(std::span<std::uint8_t> memory,
                                 std::span<const std::uint8_t> settled, std::size_t start,
                                 std::size_t end, std::size_t loadedSize, std::size_t unpackedEnd);

} // namespace bitreel::fastload
