#pragma once

#include "tape/ImageBlock.h"
#include "tape/TapeBlock.h"
#include "tape/TapeFile.h"
#include "tape/TapeLayout.h"
#include "tape/snapshot/Snapshot.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace bitreel {

// How an image file is organised.
enum class ImageFormat {
    Blocks, // one block after another in the tape layout in force (TAP, JUP, Ace TAP)
    Tzx,
    Pzx,
};

// One tape image, any format: its rows, and each row's block as stored. The
// file is read once; the index keeps four bytes a row (where the block
// starts, and the Jupiter Ace header/data expectation there), and a row's
// text and block are made again when they are asked for, so that a file of
// millions of tiny blocks costs little more than its own size.
//
// Indexing goes in steps, so that a caller with a window can yield between
// them on a huge file; rows are ready once Complete() is true.
class TapeImage {
public:
    // Files larger than this are not read: a file of zero bytes gives one
    // row for every two bytes, and no tape image comes near this size.
    static constexpr std::uint64_t MaxFileSize = 64ull * 1024 * 1024;

    // An image with no rows.
    TapeImage() = default;

    // Reads the whole file, in the format its name and the machine choose
    // (ImageFormatOf) and the layout in force. A snapshot (IsSnapshotPath)
    // opens as the TZX image of the tape that loads it, for the Spectrum
    // only. Throws std::system_error when the file cannot be opened or read,
    // (EFBIG) when it exceeds MaxFileSize, and with a SnapshotError when a
    // snapshot cannot be restored or the Jupiter Ace is chosen.
    TapeImage(const std::filesystem::path& path, MachineKind machine, TapeLayout layout);

    // The same over bytes in memory; isTapFile stands for the file's name.
    TapeImage(std::vector<std::uint8_t> bytes, ImageFormat format, MachineKind machine,
              TapeLayout layout, bool isTapFile);

    // Indexes up to maxBlocks further rows; true once the whole image is
    // indexed. Measuring the rows on the way makes their texts, so that
    // WidestRow is known at the end without a pass of its own.
    enum class Widths { Later, Measure };
    bool Advance(std::size_t maxBlocks, Widths widths = Widths::Later);
    [[nodiscard]] bool Complete() const noexcept { return complete_; }
    // Indexes every row at once.
    TapeImage& IndexAll();

    // Hands every row's text, or every row's block, to visit in row order,
    // indexing the rows not indexed yet as it goes: a listing reads each
    // block once, and keeps nothing of it. The block passed is valid during
    // the call only.
    // The row's text may be taken (moved from).
    void ForEachRow(const std::function<void(std::size_t, std::string&)>& visit);
    void ForEachBlock(const std::function<void(std::size_t, const ImageBlock&)>& visit);

    [[nodiscard]] ImageFormat Format() const noexcept { return format_; }
    // The snapshot the image is the loading tape of; null for any other.
    [[nodiscard]] const Snapshot* SnapshotHeld() const noexcept { return snapshot_.get(); }
    [[nodiscard]] MachineKind Machine() const noexcept { return machine_; }
    [[nodiscard]] TapeLayout Layout() const noexcept { return layout_; }

    [[nodiscard]] std::size_t RowCount() const noexcept { return starts_.size(); }
    // The text of an indexed row (row < RowCount()).
    [[nodiscard]] std::string Row(std::size_t row) const;
    // The block of an indexed row, as stored.
    [[nodiscard]] ImageBlock Block(std::size_t row) const;
    // The frame Play sends for the row's block. Play sends block k of a
    // Jupiter Ace TAP file with the header flag when k is even, whichever
    // row it starts at and whatever the listing made of the blocks before.
    [[nodiscard]] TapeBlock Frame(std::size_t row) const;

    // The row's block as it goes to the machine: as stored, but that a
    // Jupiter Ace TAP block carries the flag Play gives it (see Frame).
    [[nodiscard]] ImageBlock BlockAsPlayed(std::size_t row) const;
    // Where an indexed row's block starts in the image's bytes (0 for the
    // first block of a TZX image, whose signature comes first), and the
    // bytes: for the readers of the tape library that play the rows.
    [[nodiscard]] std::uint64_t RowOffset(std::size_t row) const { return starts_.at(row) >> 1; }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const noexcept { return bytes_; }

    // The indexed row with the longest text (the first of several), for a
    // list that sizes every row alike; 0 when there is none. Found the
    // first time it is asked for, unless a listing found it on its way.
    [[nodiscard]] std::size_t WidestRow() const;
    // ExpectHeader as the last indexed block left it (true before the first).
    [[nodiscard]] bool ExpectHeader() const noexcept { return expectHeader_; }
    // Play has something to do: a TZX or PZX image has a block that goes out
    // as a frame; an image of blocks has a row (a corrupt first block is
    // where Play says it stops).
    [[nodiscard]] bool Playable() const noexcept;
    // An indexed row could not be read whole.
    [[nodiscard]] bool HasCorrupt() const noexcept { return hasCorrupt_; }

private:
    // Per row: the block's offset shifted left by one, ExpectHeader in bit 0.
    // Four bytes a row: MaxFileSize keeps every offset within 31 bits.
    using Start = std::uint32_t;
    static_assert(MaxFileSize <= (std::uint64_t{1} << 31));

    struct Found; // a block read at an offset, with where the next one starts
    // What a read must make of the block beyond where the next one starts.
    enum class Detail { Index, Row, Block };
    [[nodiscard]] bool ReadAt(std::uint64_t offset, bool expectHeader, Detail detail,
                              Found& found) const;
    // The same, going on in a file of blocks open over the image's bytes at
    // offset: a scan reads its blocks one after another in one file.
    [[nodiscard]] bool ReadAt(TapeFile& file, std::uint64_t offset, bool expectHeader,
                              Detail detail, Found& found) const;
    void BlockOf(Found& found, ImageBlock& block) const;
    // The bytes a corrupt block of a file of blocks at offset holds.
    void KeepCorruptBytes(std::uint64_t offset, bool expectHeader,
                          std::vector<std::uint8_t>& kept) const;
    // Indexes up to maxBlocks further rows, handing each to visit.
    void Scan(std::size_t maxBlocks, Detail detail,
              const std::function<void(std::size_t, Found&)>& visit);
    void NoteWidth(std::size_t row, std::size_t length) const;

    std::vector<std::uint8_t> bytes_;
    // Shared: copies of an image share its 128 KB of banks.
    std::shared_ptr<const Snapshot> snapshot_;
    // In chunks: a huge image's index never has to move whole as it grows.
    std::deque<Start> starts_;
    ImageFormat format_ = ImageFormat::Blocks;
    MachineKind machine_ = MachineKind::Spectrum;
    TapeLayout layout_ = TapeLayout::SpectrumTap;
    bool isTapFile_ = false;
    std::uint64_t next_ = 0; // where the next block starts
    // The widest row among the first widthsKnown_ rows.
    mutable std::size_t widestRow_ = 0;
    mutable std::size_t widestLength_ = 0;
    mutable std::size_t widthsKnown_ = 0;
    bool expectHeader_ = true;
    bool complete_ = true;
    bool hasFrame_ = false;
    bool hasCorrupt_ = false;
};

// Why an image could not be read, in the system's words; a file too large
// to list also names the limit, "File too large (the limit is 64 MB)".
[[nodiscard]] std::string ReadFailureText(const std::system_error& error);

// Rows are indexed from 0 inside, but a person reads and types them counted
// from 1: in messages, progress, titles, export names and arguments. Every
// turn from one to the other goes through here.
inline constexpr long long FirstRowNumber = 1;

// The number a person sees for the row at an index.
[[nodiscard]] constexpr long long RowNumberOf(long long index) noexcept {
    return index + FirstRowNumber;
}

[[nodiscard]] inline std::string RowNumberText(long long index) {
    return std::to_string(RowNumberOf(index));
}

} // namespace bitreel
