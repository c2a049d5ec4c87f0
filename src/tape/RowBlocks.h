#pragma once

#include "tape/StoredBlock.h"
#include "tape/TapeEntry.h"
#include "tape/TapeLayout.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace bitreel {

// The block a contents row lists, and its neighbours in the file: the one
// before it (the header of a data block) and the one after it (the data of a
// header). Rows count as the contents list counts them, corrupt blocks
// included, with the Jupiter Ace TAP alternation of headers and data.
struct RowBlocks {
    std::optional<StoredBlock> before;
    std::optional<StoredBlock> at; // no value when the file has no such row
    std::optional<StoredBlock> after;
};

// The blocks around row of a tape image held in memory; isTapFile stands
// for the file's name, as LoadContents takes it.
[[nodiscard]] RowBlocks ReadRowBlocks(std::vector<std::uint8_t> image, MachineKind machine,
                                      TapeLayout layout, bool isTapFile, std::size_t row);

// The blocks around row of a TZX or PZX image read with its frames kept; a
// block without a frame is no neighbour.
[[nodiscard]] RowBlocks RowBlocksOfEntries(const TapeEntries& entries, std::size_t row);

// The same for a file, a TZX or PZX image by its name as the contents list
// reads it. Throws std::system_error when it cannot be read.
[[nodiscard]] RowBlocks ReadRowBlocks(const std::filesystem::path& path, MachineKind machine,
                                      TapeLayout layout, std::size_t row);

} // namespace bitreel
