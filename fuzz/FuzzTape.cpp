// Feeds arbitrary bytes to the tape reader and the descriptions, in every
// layout, the way the contents list and playback read a file: block after
// block from the start, and through the image's index, which reads each
// block again at its offset. Both must give the same rows and blocks.
#include "ImageChecks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

using namespace bitreel;
using fuzz::Require;

// The block of a row keeps the bytes the file stores; an Ace TAP block has
// the flag the reader supplies after its length field, counted in it (a
// corrupt one's length field stays as stored).
void CheckStored(const ImageBlock& block, std::span<const std::uint8_t> file, TapeLayout layout) {
    if (layout != TapeLayout::AceTap) {
        Require(std::ranges::equal(block.stored, file));
        return;
    }
    Require(block.stored.size() == file.size() + 1);
    if (block.kind != BlockKind::Corrupt) {
        Require(Le16At(block.stored, 0) == *Le16At(file, 0) + 1);
    }
    Require(std::ranges::equal(std::span(block.stored).subspan(3), file.subspan(2)));
}

// What a corrupt block holds of the file from start: its length field and
// as many of the bytes it gives as the file has, whatever the reader took.
std::span<const std::uint8_t> CorruptPart(std::span<const std::uint8_t> bytes, std::size_t start) {
    const std::size_t declared = *Le16At(bytes, start);
    return bytes.subspan(start, std::min(bytes.size() - start, 2 + declared));
}

void ReadAll(const std::vector<std::uint8_t>& bytes, MachineKind machine, TapeLayout layout,
             bool isTapFile) {
    const TapeImage image =
        fuzz::CheckImage(bytes, ImageFormat::Blocks, machine, layout, isTapFile);
    auto file = TapeFile::Over(bytes);
    bool expectHeader = true;
    TapeBlock block;
    std::size_t row = 0;
    for (; !file.AtEnd(); ++row) {
        const auto start = file.Position();
        const bool whole = ReadBlock(file, block, layout, expectHeader);
        if (whole && block.Length < 0) {
            break; // a lone last byte
        }
        Require(row < image.RowCount());
        const ImageBlock listed = image.Block(row);
        CheckStored(listed,
                    whole ? std::span(bytes).subspan(start, file.Position() - start)
                          : CorruptPart(bytes, start),
                    layout);
        if (!whole) {
            Require(listed.kind == BlockKind::Corrupt && listed.row == CorruptBlockRow);
            continue;
        }
        // The reader's promise for a block read whole: Bytes is the length
        // field and Length bytes after it.
        Require(block.Bytes.size() == static_cast<std::size_t>(block.Length) + 2);
        // Outside the Ace TAP layout, whose flag is supplied, a stored byte
        // was replaced exactly when it was not good.
        Require(layout == TapeLayout::AceTap ||
                (block.Verdict == ChecksumVerdict::Good) != block.BadChecksum);
        Require(listed.verdict == block.Verdict);
        bool described = expectHeader;
        const auto text = DescribeBlock(block, machine, isTapFile, described);
        const std::string rowText = ContentsRow(block, machine, isTapFile, expectHeader);
        Require(described == expectHeader && (!text || *text == rowText));
        Require(listed.row == rowText);
    }
    Require(row == image.RowCount());
    Require(expectHeader == image.ExpectHeader());

    auto again = TapeFile::Over(bytes);
    bool loaded = true;
    const auto rows = LoadContents(again, machine, layout, isTapFile, loaded);
    Require(rows.size() == image.RowCount() && loaded == image.ExpectHeader());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    ReadAll(bytes, MachineKind::Spectrum, TapeLayout::SpectrumTap, true);
    for (const bool isTap : {true, false}) {
        ReadAll(bytes, MachineKind::JupiterAce, TapeLayout::AceTap, isTap);
        ReadAll(bytes, MachineKind::JupiterAce, TapeLayout::AceJup, isTap);
    }
    return 0;
}
