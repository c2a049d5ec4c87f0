#pragma once

#include "tape/HeaderFields.h"
#include "tape/TapeBlock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel {

// What a row's block is, by the same rules that make its row.
enum class BlockKind {
    Header,  // a header the rows decode
    Data,    // a data block
    Empty,   // length field 0
    Unknown, // read whole, but neither a header nor data by the machine's rules
    Corrupt, // could not be read whole
    Skipped, // TZX/PZX: stored for a purpose other than loading; nothing goes out
    Stop,    // TZX/PZX: the tape stops here
};

// "header", "data", "empty", "unknown", "corrupt", "skipped", "stop".
[[nodiscard]] std::string_view BlockKindName(BlockKind kind) noexcept;

// One row's block of a tape image, whatever the image's format: the bytes as
// the file stores them and what the rules make of them.
struct ImageBlock {
    BlockKind kind = BlockKind::Corrupt;
    std::string row; // its row in the contents list
    // Length field, flag, payload, checksum, as stored: the checksum byte is
    // never replaced. A Jupiter Ace TAP block carries the flag the reader
    // supplies. A corrupt block holds what the file has of it: in a file of
    // blocks its length field and the bytes after it, as far as the field
    // reaches; in a TZX or PZX image the file's own bytes from the block's
    // start (see imageBytesToEnd). A block that holds no frame (a pause, a
    // text, a stop) holds nothing.
    std::vector<std::uint8_t> stored;
    // A corrupt block of a TZX or PZX image: how many bytes the file holds
    // from the block's start to its end; stored holds the first
    // MaxCorruptBytesKept of them.
    std::optional<std::uint64_t> imageBytesToEnd;
    static constexpr std::size_t MaxCorruptBytesKept = 65536;
    ChecksumVerdict verdict = ChecksumVerdict::Good;
    std::optional<HeaderFields> header; // the fields of a Header block
    // The block stands where the machine's rules read a header, so the data
    // block after it is its data (also a header the rows cannot decode).
    bool headerPlace = false;
    bool turbo = false; // TZX/PZX: stored for a loader other than the ROM's

    // The block goes out as a frame.
    [[nodiscard]] bool Sent() const noexcept;
    // A block read whole: its flag (none for an empty block) and its length
    // after the length field.
    [[nodiscard]] std::optional<std::uint8_t> Flag() const noexcept;
    [[nodiscard]] std::optional<std::int32_t> Length() const noexcept;
    // The frame Play sends: the stored bytes with the checksum this system
    // computes in the last byte.
    [[nodiscard]] TapeBlock Frame() const;
};

} // namespace bitreel
