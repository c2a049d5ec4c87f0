// Finds the blocks of a tape image around one contents row, as stored.
#include "tape/RowBlocks.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"
#include "tape/ByteCursor.h"
#include "tape/ContentsList.h"
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

RowBlocks ReadRowBlocks(const std::filesystem::path& path, MachineKind machine, TapeLayout layout,
                        std::size_t row) {
    TapeFile file(path);
    std::vector<std::uint8_t> image;
    image.reserve(static_cast<std::size_t>(file.Size()));
    while (file.Read(1 << 16, image) > 0) {
    }
    return ReadRowBlocks(std::move(image), machine, layout, IsTapPath(path), row);
}

} // namespace bitreel
