// One tape image of any format: the index of its rows, and each row's block
// read again from the image's bytes when it is asked for.
#include "tape/TapeImage.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"
#include "tape/ByteCursor.h"
#include "tape/PzxReader.h"
#include "tape/TapeChoice.h"
#include "tape/TapeFile.h"
#include "tape/TzxReader.h"

#include <cerrno>
#include <limits>
#include <system_error>

namespace bitreel {

struct TapeImage::Found {
    TapeBlock block; // as ReadBlock gives it: a wrong checksum replaced
    BlockFacts facts;
    std::optional<std::uint8_t> storedChecksum; // where the block has one
    bool turbo = false;
    std::uint64_t next = 0;
    bool expectAfter = true;
    bool last = false;
};

TapeImage::TapeImage(const std::filesystem::path& path, MachineKind machine, TapeLayout layout)
    : TapeImage(ReadWholeFile(path, MaxFileSize), ImageFormatOf(path, machine), machine, layout,
                IsTapPath(path)) {}

TapeImage::TapeImage(std::vector<std::uint8_t> bytes, ImageFormat format, MachineKind machine,
                     TapeLayout layout, bool isTapFile)
    : bytes_(std::move(bytes)), format_(format), machine_(machine), layout_(layout),
      isTapFile_(isTapFile), complete_(format == ImageFormat::Blocks && bytes_.empty()) {
    if (bytes_.size() > MaxFileSize) {
        throw std::system_error(EFBIG, std::generic_category(), "Cannot list the image");
    }
}

bool TapeImage::ReadAt(std::uint64_t offset, bool expectHeader, Found& found) const {
    found.storedChecksum.reset();
    found.turbo = false;
    found.last = false;
    found.expectAfter = expectHeader;
    if (format_ == ImageFormat::Blocks) {
        TapeFile file = TapeFile::Over(bytes_, offset);
        if (!ReadBlock(file, found.block, layout_, expectHeader)) {
            found.facts = BlockFacts{};
            found.facts.kind = BlockKind::Corrupt;
            found.facts.row = CorruptBlockRow;
            found.next = file.Position();
            return true;
        }
        if (found.block.Length < 0) {
            return false; // the end, or a stray last byte that holds no block
        }
        found.next = file.Position();
        // The reader put the computed checksum in place of a wrong one.
        if (Le16At(bytes_, offset).value_or(0) > 0) {
            found.storedChecksum = bytes_[found.next - 1];
        }
        found.facts = DescribeFacts(found.block, machine_, isTapFile_, found.expectAfter);
        return true;
    }

    const auto entry = format_ == ImageFormat::Tzx ? TzxReader::ReadEntry(bytes_, offset)
                                                   : PzxReader::ReadEntry(bytes_, offset);
    if (!entry) {
        return false;
    }
    found.next = entry->next;
    found.last = entry->last;
    found.block = TapeBlock{};
    if (entry->kind != EntryKind::Frame) {
        found.facts = BlockFacts{};
        found.facts.kind = entry->kind == EntryKind::Stop      ? BlockKind::Stop
                           : entry->kind == EntryKind::Corrupt ? BlockKind::Corrupt
                                                               : BlockKind::Skipped;
        found.facts.row = entry->row;
        return true;
    }
    // A data block is the same block as in a TAP file: the frame, its rules
    // and its row are those of the machine's own layout of blocks.
    FrameFromBody(entry->data, found.block);
    if (!entry->data.empty()) {
        found.storedChecksum = entry->data.back();
    }
    found.facts = DescribeFacts(found.block, machine_, false, found.expectAfter);
    found.turbo = entry->turbo;
    if (found.turbo) {
        found.facts.row += " (turbo)";
    }
    return true;
}

bool TapeImage::Advance(std::size_t maxBlocks) {
    Found found;
    for (std::size_t n = 0; n < maxBlocks && !complete_; ++n) {
        if (!ReadAt(next_, expectHeader_, found)) {
            complete_ = true;
            break;
        }
        starts_.push_back(static_cast<Start>(next_ << 1) | (expectHeader_ ? 1u : 0u));
        if (found.facts.row.size() > widestLength_) {
            widestLength_ = found.facts.row.size();
            widestRow_ = starts_.size() - 1;
        }
        hasCorrupt_ = hasCorrupt_ || found.facts.kind == BlockKind::Corrupt;
        hasFrame_ = hasFrame_ ||
                    (found.facts.kind != BlockKind::Corrupt &&
                     found.facts.kind != BlockKind::Skipped && found.facts.kind != BlockKind::Stop);
        expectHeader_ = found.expectAfter;
        next_ = found.next;
        complete_ = found.last || (format_ == ImageFormat::Blocks && next_ >= bytes_.size());
    }
    return complete_;
}

TapeImage& TapeImage::IndexAll() {
    Advance(std::numeric_limits<std::size_t>::max());
    return *this;
}

std::string TapeImage::Row(std::size_t row) const {
    const Start start = starts_.at(row);
    Found found;
    (void)ReadAt(start >> 1, (start & 1u) != 0, found);
    return std::move(found.facts.row);
}

ImageBlock TapeImage::Block(std::size_t row) const {
    const Start start = starts_.at(row);
    Found found;
    (void)ReadAt(start >> 1, (start & 1u) != 0, found);
    ImageBlock block;
    block.kind = found.facts.kind;
    block.row = std::move(found.facts.row);
    block.header = std::move(found.facts.header);
    block.headerPlace = found.facts.headerPlace;
    block.turbo = found.turbo;
    block.verdict =
        block.kind == BlockKind::Corrupt ? ChecksumVerdict::Damaged : found.block.Verdict;
    block.stored = std::move(found.block.Bytes);
    if (found.storedChecksum && block.kind != BlockKind::Corrupt) {
        block.stored.back() = *found.storedChecksum;
    }
    return block;
}

TapeBlock TapeImage::Frame(std::size_t row) const {
    ImageBlock block = Block(row);
    if (layout_ == TapeLayout::AceTap && format_ == ImageFormat::Blocks &&
        block.stored.size() > 2) {
        block.stored[2] = row % 2 == 0 ? HeaderFlag : DataFlag;
    }
    return block.Frame();
}

bool TapeImage::Playable() const noexcept {
    return format_ == ImageFormat::Blocks ? !starts_.empty() : hasFrame_;
}

} // namespace bitreel
