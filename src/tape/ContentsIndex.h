#pragma once

#include "tape/TapeLayout.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace bitreel {

// The contents list of one tape image, kept small enough for any file: the
// image's bytes, read once, and where each block starts, with the Jupiter
// Ace header/data expectation in force there. A row's text is made when it
// is asked for, exactly as LoadContents makes it.
//
// Indexing goes in steps, so that a caller with a window can yield between
// them on a huge file; rows are ready once Complete() is true.
class ContentsIndex {
public:
    // Files larger than this are not listed: a file of zero bytes gives one
    // row for every two bytes, and no tape image comes near this size.
    static constexpr std::uint64_t MaxFileSize = 64ull * 1024 * 1024;

    // A list with no rows.
    ContentsIndex() = default;

    // Reads the whole file, ready to index. Throws std::system_error when the
    // file cannot be opened or read, or (EFBIG) when it exceeds MaxFileSize.
    ContentsIndex(const std::filesystem::path& path, MachineKind machine, TapeLayout layout);

    // The same over an image in memory; isTapFile stands for the file's name.
    ContentsIndex(std::vector<std::uint8_t> bytes, MachineKind machine, TapeLayout layout,
                  bool isTapFile);

    // Indexes up to maxBlocks further blocks; true once the whole image is
    // indexed.
    bool Advance(std::size_t maxBlocks);
    [[nodiscard]] bool Complete() const noexcept { return complete_; }

    [[nodiscard]] std::size_t RowCount() const noexcept { return starts_.size(); }
    // The text of an indexed row (row < RowCount()).
    [[nodiscard]] std::string Row(std::size_t row) const;
    // The indexed row with the longest text (the first of several), for a
    // list that sizes every row alike; 0 when there is none.
    [[nodiscard]] std::size_t WidestRow() const noexcept { return widestRow_; }
    // ExpectHeader as the last indexed block left it (true before the first).
    [[nodiscard]] bool ExpectHeader() const noexcept { return expectHeader_; }

private:
    // Per row: the block's offset shifted left by one, ExpectHeader in bit 0.
    // Four bytes a row: MaxFileSize keeps every offset within 31 bits.
    using Start = std::uint32_t;
    static_assert(MaxFileSize <= (std::uint64_t{1} << 31));

    std::vector<std::uint8_t> bytes_;
    std::vector<Start> starts_;
    MachineKind machine_ = MachineKind::Spectrum;
    TapeLayout layout_ = TapeLayout::SpectrumTap;
    bool isTapFile_ = false;
    std::uint64_t next_ = 0; // where the next block starts
    std::size_t widestRow_ = 0;
    std::size_t widestLength_ = 0;
    bool expectHeader_ = true;
    bool complete_ = true;
};

} // namespace bitreel
