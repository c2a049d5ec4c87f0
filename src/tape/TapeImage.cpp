// One tape image of any format: the index of its rows, and each row's block
// read again from the image's bytes when it is asked for.
#include "tape/TapeImage.h"

#include "tape/BlockDescription.h"
#include "tape/TapeChoice.h"
#include "tape/TapeFile.h"
#include "tape/formats/BlockReader.h"
#include "tape/formats/ByteCursor.h"
#include "tape/formats/PzxReader.h"
#include "tape/formats/RecordingHook.h"
#include "tape/formats/SnapshotHook.h"
#include "tape/formats/TzxReader.h"
#include "tape/snapshot/SnapshotError.h"

#include <cerrno>
#include <limits>
#include <system_error>

namespace bitreel {

struct TapeImage::Found {
    TapeBlock block; // as ReadBlock gives it: a wrong checksum replaced
    BlockFacts facts;
    std::optional<std::uint8_t> storedChecksum; // where the block has one
    std::optional<std::uint64_t> bytesToEnd;    // a corrupt TZX or PZX block
    bool turbo = false;
    std::uint64_t next = 0;
    bool expectAfter = true;
    bool last = false;
};

namespace {

// A recording's bytes are the TZX image of the blocks read from it.
std::vector<std::uint8_t> ImageBytes(const std::filesystem::path& path, MachineKind machine) {
    return IsRecordingPath(path) ? ReadRecording(path, machine)
                                 : ReadWholeFile(path, TapeImage::MaxFileSize);
}

} // namespace

TapeImage::TapeImage(const std::filesystem::path& path, MachineKind machine, TapeLayout layout) {
    if (!IsSnapshotPath(path)) {
        *this = TapeImage(ImageBytes(path, machine), ImageFormatOf(path, machine), machine, layout,
                          IsTapPath(path));
        return;
    }
    if (machine != MachineKind::Spectrum) {
        throw SnapshotFailure(SnapshotError::SpectrumOnly, path.filename().string());
    }
    SnapshotTape tape = ReadSnapshotTape(path, MaxFileSize);
    *this = TapeImage(std::move(tape.tzx), ImageFormat::Tzx, machine, layout, false);
    snapshot_ = std::move(tape.snapshot);
}

TapeImage::TapeImage(std::vector<std::uint8_t> bytes, ImageFormat format, MachineKind machine,
                     TapeLayout layout, bool isTapFile)
    : bytes_(std::move(bytes)), format_(format), machine_(machine), layout_(layout),
      isTapFile_(isTapFile), complete_(format == ImageFormat::Blocks && bytes_.empty()) {
    if (bytes_.size() > MaxFileSize) {
        throw std::system_error(EFBIG, std::generic_category(), "Cannot list the image");
    }
}

bool TapeImage::ReadAt(std::uint64_t offset, bool expectHeader, Detail detail, Found& found) const {
    TapeFile file = TapeFile::Over(bytes_, offset);
    return ReadAt(file, offset, expectHeader, detail, found);
}

bool TapeImage::ReadAt(TapeFile& file, std::uint64_t offset, bool expectHeader, Detail detail,
                       Found& found) const {
    found.storedChecksum.reset();
    found.bytesToEnd.reset();
    found.turbo = false;
    found.last = false;
    found.expectAfter = expectHeader;
    found.facts.header.reset();
    found.facts.headerPlace = false;
    found.facts.row.clear();
    if (format_ == ImageFormat::Blocks) {
        const bool whole = ReadBlock(file, found.block, layout_, expectHeader);
        if (whole && found.block.Length < 0) {
            return false; // the end, or a stray last byte that holds no block
        }
        found.next = file.Position();
        if (!whole) {
            found.facts.kind = BlockKind::Corrupt;
            found.facts.row = CorruptBlockRow;
            if (detail == Detail::Block) {
                KeepCorruptBytes(offset, expectHeader, found.block.Bytes);
            }
            return true;
        }
        // The reader put the computed checksum in place of a wrong one.
        if (Le16At(bytes_, offset).value_or(0) > 0) {
            found.storedChecksum = bytes_[found.next - 1];
        }
        // Indexing needs the rules only where they move the Jupiter Ace's
        // expectation of a header.
        if (detail != Detail::Index || machine_ == MachineKind::JupiterAce) {
            found.facts = DescribeFacts(found.block, machine_, isTapFile_, found.expectAfter);
        } else {
            found.facts.kind = BlockKind::Data;
        }
        return true;
    }

    auto entry = format_ == ImageFormat::Tzx ? TzxReader::ReadEntry(bytes_, offset)
                                             : PzxReader::ReadEntry(bytes_, offset);
    if (!entry) {
        return false;
    }
    found.next = entry->next;
    found.last = entry->last;
    found.block.Bytes.clear();
    if (entry->kind == EntryKind::Corrupt && detail == Detail::Block) {
        found.bytesToEnd = entry->data.size();
        const auto kept = entry->data.first(
            std::min<std::size_t>(entry->data.size(), ImageBlock::MaxCorruptBytesKept));
        found.block.Bytes.assign(kept.begin(), kept.end());
    }
    if (entry->kind != EntryKind::Frame) {
        found.facts.kind = entry->kind == EntryKind::Stop      ? BlockKind::Stop
                           : entry->kind == EntryKind::Corrupt ? BlockKind::Corrupt
                                                               : BlockKind::Skipped;
        found.facts.row = std::move(entry->row);
        return true;
    }
    found.turbo = entry->turbo;
    if (detail == Detail::Index) {
        found.facts.kind = BlockKind::Data;
        return true;
    }
    // A data block is the same block as in a TAP file: the frame, its rules
    // and its row are those of the machine's own layout of blocks.
    FrameFromBody(entry->data, found.block);
    if (!entry->data.empty()) {
        found.storedChecksum = entry->data.back();
    }
    found.facts = DescribeFacts(found.block, machine_, false, found.expectAfter);
    if (found.turbo) {
        found.facts.row += " (turbo)";
    }
    return true;
}

void TapeImage::KeepCorruptBytes(std::uint64_t offset, bool expectHeader,
                                 std::vector<std::uint8_t>& kept) const {
    // The length field, and after it what the file holds of the bytes it
    // gives: a block cut short shows what was saved of it.
    const std::uint64_t end = bytes_.size();
    const std::uint64_t declared = Le16At(bytes_, offset).value_or(0);
    const std::uint64_t after = std::min(offset + 2, end);
    const std::uint64_t held = std::min(declared, end - after);
    const auto at = [this](std::uint64_t i) {
        return bytes_.begin() + static_cast<std::ptrdiff_t>(i);
    };
    kept.assign(at(offset), at(after));
    if (layout_ == TapeLayout::AceTap) {
        kept.push_back(expectHeader ? HeaderFlag : DataFlag);
    }
    kept.insert(kept.end(), at(after), at(after + held));
}

void TapeImage::Scan(std::size_t maxBlocks, Detail detail,
                     const std::function<void(std::size_t, Found&)>& visit) {
    Found found;
    TapeFile file = TapeFile::Over(bytes_, next_);
    for (std::size_t n = 0; n < maxBlocks && !complete_; ++n) {
        if (!ReadAt(file, next_, expectHeader_, detail, found)) {
            complete_ = true;
            break;
        }
        const std::size_t row = starts_.size();
        starts_.push_back(static_cast<Start>(next_ << 1) | (expectHeader_ ? 1u : 0u));
        hasCorrupt_ = hasCorrupt_ || found.facts.kind == BlockKind::Corrupt;
        hasFrame_ = hasFrame_ ||
                    (found.facts.kind != BlockKind::Corrupt &&
                     found.facts.kind != BlockKind::Skipped && found.facts.kind != BlockKind::Stop);
        if (detail != Detail::Index) {
            NoteWidth(row, found.facts.row.size());
        }
        visit(row, found);
        expectHeader_ = found.expectAfter;
        next_ = found.next;
        complete_ = found.last || (format_ == ImageFormat::Blocks && next_ >= bytes_.size());
    }
}

bool TapeImage::Advance(std::size_t maxBlocks, Widths widths) {
    Scan(maxBlocks, widths == Widths::Measure ? Detail::Row : Detail::Index,
         [](std::size_t, Found&) {});
    return complete_;
}

TapeImage& TapeImage::IndexAll() {
    Advance(std::numeric_limits<std::size_t>::max());
    return *this;
}

void TapeImage::ForEachRow(const std::function<void(std::size_t, std::string&)>& visit) {
    for (std::size_t row = 0; row < starts_.size(); ++row) {
        std::string text = Row(row);
        visit(row, text);
    }
    Scan(std::numeric_limits<std::size_t>::max(), Detail::Row,
         [&visit](std::size_t row, Found& found) { visit(row, found.facts.row); });
}

void TapeImage::ForEachBlock(const std::function<void(std::size_t, const ImageBlock&)>& visit) {
    for (std::size_t row = 0; row < starts_.size(); ++row) {
        visit(row, Block(row));
    }
    ImageBlock block;
    Scan(std::numeric_limits<std::size_t>::max(), Detail::Block,
         [&](std::size_t row, Found& found) {
             BlockOf(found, block);
             visit(row, block);
         });
}

void TapeImage::NoteWidth(std::size_t row, std::size_t length) const {
    if (row != widthsKnown_) {
        return;
    }
    if (length > widestLength_) {
        widestLength_ = length;
        widestRow_ = row;
    }
    ++widthsKnown_;
}

std::size_t TapeImage::WidestRow() const {
    while (widthsKnown_ < starts_.size()) {
        NoteWidth(widthsKnown_, Row(widthsKnown_).size());
    }
    return widestRow_;
}

std::string TapeImage::Row(std::size_t row) const {
    const Start start = starts_.at(row);
    Found found;
    (void)ReadAt(start >> 1, (start & 1u) != 0, Detail::Row, found);
    return std::move(found.facts.row);
}

void TapeImage::BlockOf(Found& found, ImageBlock& block) const {
    block.kind = found.facts.kind;
    std::swap(block.row, found.facts.row);
    block.header = std::move(found.facts.header);
    block.headerPlace = found.facts.headerPlace;
    block.turbo = found.turbo;
    block.imageBytesToEnd = found.bytesToEnd;
    block.verdict =
        block.kind == BlockKind::Corrupt ? ChecksumVerdict::Damaged : found.block.Verdict;
    std::swap(block.stored, found.block.Bytes);
    if (found.storedChecksum && block.kind != BlockKind::Corrupt) {
        block.stored.back() = *found.storedChecksum;
    }
}

ImageBlock TapeImage::Block(std::size_t row) const {
    const Start start = starts_.at(row);
    Found found;
    (void)ReadAt(start >> 1, (start & 1u) != 0, Detail::Block, found);
    ImageBlock block;
    BlockOf(found, block);
    return block;
}

ImageBlock TapeImage::BlockAsPlayed(std::size_t row) const {
    ImageBlock block = Block(row);
    if (layout_ == TapeLayout::AceTap && format_ == ImageFormat::Blocks &&
        block.stored.size() > 2) {
        block.stored[2] = row % 2 == 0 ? HeaderFlag : DataFlag;
    }
    return block;
}

TapeBlock TapeImage::Frame(std::size_t row) const {
    return BlockAsPlayed(row).Frame();
}

std::string ReadFailureText(const std::system_error& error) {
    // A snapshot's error names what in it is refused ("a Pentagon 128
    // snapshot: ...").
    if (error.code().category() == MakeError(SnapshotError::Cut).category()) {
        return error.what();
    }
    std::string text = error.code().message();
    if (error.code() == std::errc::file_too_large) {
        text += " (the limit is " + std::to_string(TapeImage::MaxFileSize >> 20) + " MB)";
    }
    return text;
}

bool TapeImage::Playable() const noexcept {
    return format_ == ImageFormat::Blocks ? !starts_.empty() : hasFrame_;
}

} // namespace bitreel
