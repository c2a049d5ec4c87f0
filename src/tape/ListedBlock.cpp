// A listing of a tape image that keeps each block's kind, flag, length,
// checksum verdict and header fields beside its row.
#include "tape/ListedBlock.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"

namespace bitreel {
namespace {

constexpr std::int32_t AceHeaderLength = 27;

// The kind by the Spectrum rules of the row.
void ClassifySpectrum(const TapeBlock& block, ListedBlock& listed) {
    listed.header = DecodeSpectrumHeader(block);
    if (listed.header) {
        listed.kind = BlockKind::Header;
    } else if (*listed.flag == 255) {
        listed.kind = BlockKind::Data;
    } else {
        listed.kind = BlockKind::Unknown;
    }
}

// The kind by the Jupiter Ace rules, judged with the header/data state the
// row is made with.
void ClassifyAce(const TapeBlock& block, bool isTapFile, bool expectHeader, ListedBlock& listed) {
    const std::uint8_t flag = *listed.flag;
    if ((isTapFile && expectHeader) ||
        (!isTapFile && block.Length == AceHeaderLength && flag == 0)) {
        listed.header = DecodeAceHeader(block);
        // Too short to be a header: the row shows it as an unknown block.
        listed.kind = listed.header ? BlockKind::Header : BlockKind::Unknown;
    } else if (isTapFile || flag == 255) {
        listed.kind = BlockKind::Data;
    } else {
        listed.kind = BlockKind::Unknown;
    }
}

} // namespace

std::string_view BlockKindName(BlockKind kind) noexcept {
    switch (kind) {
    case BlockKind::Header:
        return "header";
    case BlockKind::Data:
        return "data";
    case BlockKind::Empty:
        return "empty";
    case BlockKind::Unknown:
        return "unknown";
    case BlockKind::Corrupt:
        return "corrupt";
    case BlockKind::Skipped:
        return "skipped";
    case BlockKind::Stop:
        return "stop";
    }
    return "unknown";
}

ListedBlock ListBlock(const TapeBlock& block, MachineKind machine, bool isTapFile,
                      bool& ExpectHeader) {
    ListedBlock listed;
    listed.length = block.Length;
    listed.verdict = block.Verdict;
    if (block.Length == 0 || block.Bytes.size() < 3) {
        listed.kind = block.Length == 0 ? BlockKind::Empty : BlockKind::Unknown;
    } else {
        listed.flag = block.Bytes[2];
        if (machine == MachineKind::Spectrum) {
            ClassifySpectrum(block, listed);
        } else {
            ClassifyAce(block, isTapFile, ExpectHeader, listed);
        }
    }
    listed.row = ContentsRow(block, machine, isTapFile, ExpectHeader);
    return listed;
}

std::vector<ListedBlock> ListBlocks(TapeFile& file, MachineKind machine, TapeLayout layout,
                                    bool isTapFile) {
    std::vector<ListedBlock> blocks;
    TapeBlock block;
    bool expectHeader = true;
    while (!file.AtEnd()) {
        if (!ReadBlock(file, block, layout, expectHeader)) {
            ListedBlock corrupt;
            corrupt.row = CorruptBlockRow;
            blocks.push_back(std::move(corrupt));
        } else if (block.Length >= 0) {
            blocks.push_back(ListBlock(block, machine, isTapFile, expectHeader));
        }
    }
    return blocks;
}

std::vector<ListedBlock> ListEntries(const TapeEntries& entries) {
    std::vector<ListedBlock> blocks;
    blocks.reserve(entries.size());
    for (const TapeEntry& entry : entries) {
        ListedBlock listed;
        switch (entry.Kind) {
        case EntryKind::Frame: {
            bool expectHeader = true; // the Spectrum rules neither read nor change it
            listed = ListBlock(entry.Block, MachineKind::Spectrum, false, expectHeader);
            break;
        }
        case EntryKind::Skipped:
            listed.kind = BlockKind::Skipped;
            break;
        case EntryKind::Stop:
            listed.kind = BlockKind::Stop;
            break;
        case EntryKind::Corrupt:
            listed.kind = BlockKind::Corrupt;
            break;
        }
        listed.row = entry.Row;
        blocks.push_back(std::move(listed));
    }
    return blocks;
}

} // namespace bitreel
