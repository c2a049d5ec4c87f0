#pragma once

// What a tape image promises about its rows whatever bytes it is made from,
// checked row by row; shared by the fuzz targets that read images.

#include "tape/Tape.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace bitreel::fuzz {

inline void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// A block that goes out: a whole frame that fits the line's length field,
// and the frame Play sends is the stored bytes with the payload's XOR last.
inline void CheckSent(const TapeImage& image, std::size_t row, const ImageBlock& block) {
    const auto& stored = block.stored;
    Require(stored.size() >= 2 && stored.size() - 2 <= 0xFFFF);
    Require(Le16At(stored, 0) == stored.size() - 2);
    Require(block.Length() == static_cast<std::int32_t>(stored.size()) - 2);
    Require(block.Flag() == (stored.size() > 2 ? std::optional(stored[2]) : std::nullopt));
    Require(block.kind != BlockKind::Empty || stored.size() == 2);

    const TapeBlock frame = image.Frame(row);
    Require(frame.Length == static_cast<std::int32_t>(stored.size()) - 2);
    Require(frame.Bytes.size() == stored.size());
    // An Ace TAP file stores no flag: Play gives block k a header flag when
    // k is even.
    const bool aceTap =
        image.Format() == ImageFormat::Blocks && image.Layout() == TapeLayout::AceTap;
    for (std::size_t i = 0; i + 1 < stored.size(); ++i) {
        if (aceTap && i == 2) {
            Require(frame.Bytes[2] == (row % 2 == 0 ? HeaderFlag : DataFlag));
        } else {
            Require(frame.Bytes[i] == stored[i]);
        }
    }
    if (stored.size() == 2) {
        return;
    }
    Require(frame.Bytes.back() == PayloadChecksum(BlockPayload(frame.Bytes)));
    // Good means the stored byte is the one Play sends. A lone supplied Ace
    // TAP flag is no stored byte: it is judged as nothing, and Play's flag
    // may differ from it.
    if (!(aceTap && stored.size() == 3)) {
        Require(frame.BadChecksum == (frame.Bytes.back() != stored.back()));
        Require((block.verdict == ChecksumVerdict::Good) == (frame.Bytes.back() == stored.back()));
    }
    if (block.verdict == ChecksumVerdict::Replaced) {
        Require(stored.back() == (frame.Bytes.back() ^ stored[2]));
    }
}

// Every indexed row of the image, and what the index says of them all; the
// same image indexed another way must give the same rows.
inline void CheckRows(const TapeImage& image, const TapeImage& same) {
    const std::size_t rows = image.RowCount();
    Require(same.RowCount() == rows && same.ExpectHeader() == image.ExpectHeader());
    bool corrupt = false;
    bool sent = false;
    std::size_t widest = 0;
    std::size_t widestLength = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::string text = image.Row(row);
        const ImageBlock block = image.Block(row);
        Require(!text.empty() && text == block.row && text == same.Row(row));
        Require(block.kind != BlockKind::Header || (block.header && block.headerPlace));
        if (block.Sent()) {
            CheckSent(image, row, block);
            sent = true;
        } else {
            Require(!block.Flag() && !block.Length());
            Require(block.kind == BlockKind::Corrupt || block.stored.empty());
        }
        if (block.kind == BlockKind::Corrupt) {
            corrupt = true;
            // Nothing of a TZX or PZX image is read past a corrupt block.
            Require(image.Format() == ImageFormat::Blocks || row + 1 == rows);
        }
        if (text.size() > widestLength) {
            widest = row;
            widestLength = text.size();
        }
    }
    Require(image.WidestRow() == widest);
    Require(image.HasCorrupt() == corrupt);
    Require(image.Playable() == (image.Format() == ImageFormat::Blocks ? rows > 0 : sent));
}

// Indexes the bytes as an image in one go and in small steps, and checks
// the rows of both.
inline TapeImage CheckImage(const std::vector<std::uint8_t>& bytes, ImageFormat format,
                            MachineKind machine, TapeLayout layout, bool isTapFile) {
    TapeImage whole(bytes, format, machine, layout, isTapFile);
    whole.IndexAll();
    Require(whole.Complete());
    TapeImage stepped(bytes, format, machine, layout, isTapFile);
    while (!stepped.Advance(2)) {
        Require(!stepped.Complete());
    }
    CheckRows(whole, stepped);
    return whole;
}

// A TZX or PZX image against its reader read block after block: one row
// per entry, and a data block's stored bytes are the ones the file holds.
template <typename Reader>
void CheckEntries(const TapeImage& image, std::span<const std::uint8_t> bytes) {
    std::size_t at = 0;
    bool last = false;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        Require(!last);
        const auto entry = Reader::ReadEntry(bytes, at);
        Require(entry.has_value());
        Require(entry->last || (entry->next > at && entry->next <= bytes.size()));
        const ImageBlock block = image.Block(row);
        if (entry->kind == EntryKind::Frame) {
            Require(block.Sent() && block.turbo == entry->turbo);
            Require(std::ranges::equal(BlockBody(block.stored), entry->data));
        } else {
            Require(!block.Sent() && block.row == entry->row);
            Require((entry->kind == EntryKind::Corrupt) == (block.kind == BlockKind::Corrupt));
            Require((entry->kind == EntryKind::Stop) == (block.kind == BlockKind::Stop));
        }
        last = entry->last;
        at = entry->next;
    }
    // The rows end where the reader has no block left.
    Require(last || !Reader::ReadEntry(bytes, at));
}

} // namespace bitreel::fuzz
