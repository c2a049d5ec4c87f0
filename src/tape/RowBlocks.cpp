// Finds the blocks of a tape image around one contents row, as stored.
#include "tape/RowBlocks.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"
#include "tape/ByteCursor.h"
#include "tape/ContentsList.h"
#include "tape/ImageReader.h"
#include "tape/TapeFile.h"

namespace bitreel {
namespace {

constexpr std::int32_t SpectrumHeaderLength = 19;
constexpr std::int32_t AceHeaderLength = 27;

// Whether the block is read as a header, by the rules the contents list
// describes it with; expectHeader as it stood before the block.
bool ReadAsHeader(const TapeBlock& block, MachineKind machine, bool isTapFile, bool expectHeader) {
    if (block.Length <= 0 || block.Bytes.size() < 3) {
        return false;
    }
    const std::uint8_t flag = block.Bytes[2];
    if (machine == MachineKind::Spectrum) {
        return block.Length == SpectrumHeaderLength && flag == 0;
    }
    return isTapFile ? expectHeader : block.Length == AceHeaderLength && flag == 0;
}

} // namespace

RowBlocks ReadRowBlocks(std::vector<std::uint8_t> image, MachineKind machine, TapeLayout layout,
                        bool isTapFile, std::size_t row) {
    // The reader puts the computed checksum in place of a wrong one; the
    // stored one is taken from the image itself.
    const std::vector<std::uint8_t> raw = image;
    TapeFile file = TapeFile::FromBytes(std::move(image));
    RowBlocks found;
    TapeBlock block;
    bool ExpectHeader = true;
    std::size_t offset = 0; // where the block being read starts in raw
    for (std::size_t index = 0; index <= row + 1 && !file.AtEnd(); ++index) {
        const std::size_t stored = Le16At(raw, offset).value_or(0);
        StoredBlock kept;
        if (!ReadBlock(file, block, layout, ExpectHeader)) {
            kept.Corrupt = true;
            kept.Verdict = ChecksumVerdict::Damaged;
            kept.Row = CorruptBlockRow;
            kept.Bytes = std::move(block.Bytes);
            // A length beyond the file leaves the reader just past the
            // length field; any other corrupt block ends the file.
            offset += stored > raw.size() ? 2 : 2 + stored;
        } else if (block.Length < 0) {
            break;
        } else {
            kept.Verdict = block.Verdict;
            kept.Header = ReadAsHeader(block, machine, isTapFile, ExpectHeader);
            kept.Row = ContentsRow(block, machine, isTapFile, ExpectHeader);
            kept.Bytes = std::move(block.Bytes);
            // A block read whole lies inside the image; checked all the same,
            // since the offset is kept here and not by the reader.
            if (stored > 0 && offset + 2 + stored <= raw.size()) {
                kept.Bytes.back() = raw[offset + 2 + stored - 1];
            }
            offset += 2 + stored;
        }
        if (index + 1 == row) {
            found.before = std::move(kept);
        } else if (index == row) {
            found.at = std::move(kept);
        } else if (index == row + 1) {
            found.after = std::move(kept);
        }
    }
    if (!found.at) {
        found.before.reset();
    }
    return found;
}

RowBlocks RowBlocksOfEntries(const TapeEntries& entries, std::size_t row) {
    const auto stored = [&entries](std::size_t index) {
        const TapeEntry& entry = entries[index];
        StoredBlock kept;
        kept.Row = entry.Row;
        if (entry.Kind != EntryKind::Frame) {
            kept.Frame = false;
            kept.Corrupt = entry.Kind == EntryKind::Corrupt;
            return kept;
        }
        kept.Bytes = entry.Block.Bytes;
        kept.Verdict = entry.Block.Verdict;
        kept.Header = ReadAsHeader(entry.Block, MachineKind::Spectrum, false, true);
        if (entry.Block.Length > 0) {
            kept.Bytes.back() = entry.StoredChecksum;
        }
        return kept;
    };
    const auto isFrame = [&entries](std::size_t index) {
        return index < entries.size() && entries[index].Kind == EntryKind::Frame;
    };
    RowBlocks found;
    if (row >= entries.size()) {
        return found;
    }
    found.at = stored(row);
    if (row > 0 && isFrame(row - 1)) {
        found.before = stored(row - 1);
    }
    if (isFrame(row + 1)) {
        found.after = stored(row + 1);
    }
    return found;
}

RowBlocks ReadRowBlocks(const std::filesystem::path& path, MachineKind machine, TapeLayout layout,
                        std::size_t row) {
    if (const auto entries = LoadTapeEntries(path, machine)) {
        return RowBlocksOfEntries(*entries, row);
    }
    TapeFile file(path);
    std::vector<std::uint8_t> image;
    image.reserve(static_cast<std::size_t>(file.Size()));
    while (file.Read(1 << 16, image) > 0) {
    }
    return ReadRowBlocks(std::move(image), machine, layout, IsTapPath(path), row);
}

} // namespace bitreel
