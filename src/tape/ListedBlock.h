#pragma once

#include "tape/ChecksumVerdict.h"
#include "tape/HeaderFields.h"
#include "tape/TapeBlock.h"
#include "tape/TapeEntry.h"
#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bitreel {

// What a listed block is, by the same rules that make its row.
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

// One block of a listing with its row and the facts behind it.
struct ListedBlock {
    std::string row;
    BlockKind kind = BlockKind::Corrupt;
    // For a block read whole: its flag (none for an empty block), its Length
    // and the verdict on its stored checksum.
    std::optional<std::uint8_t> flag;
    std::optional<std::int32_t> length;
    std::optional<ChecksumVerdict> verdict;
    std::optional<HeaderFields> header;
};

// A block read whole (Length 0 or more), its row made exactly as the
// contents list makes it; updates ExpectHeader as the row's rules do.
[[nodiscard]] ListedBlock ListBlock(const TapeBlock& block, MachineKind machine, bool isTapFile,
                                    bool& ExpectHeader);

// Every block of the file, in the order and with the rows of LoadContents.
// Throws std::system_error on a read error.
[[nodiscard]] std::vector<ListedBlock> ListBlocks(TapeFile& file, MachineKind machine,
                                                  TapeLayout layout, bool isTapFile);

// The entries of a TZX or PZX image, with their own rows: a frame is
// judged by the Spectrum rules, as its row was made.
[[nodiscard]] std::vector<ListedBlock> ListEntries(const TapeEntries& entries);

} // namespace bitreel
