// Builds the entries of a TZX or PZX image, the frames by the TAP rules.
#include "tape/EntryBuilder.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"
#include "tape/TapeFile.h"

namespace bitreel {

void EntryBuilder::AddFrame(std::span<const std::uint8_t> data, bool turbo) {
    const auto length = static_cast<std::uint16_t>(data.size());
    tap_.push_back(static_cast<std::uint8_t>(length & 0xFF));
    tap_.push_back(static_cast<std::uint8_t>(length >> 8));
    tap_.insert(tap_.end(), data.begin(), data.end());
    TapeEntry& entry = entries_.emplace_back();
    entry.Kind = EntryKind::Frame;
    entry.Turbo = turbo;
}

void EntryBuilder::Add(EntryKind kind, std::string row) {
    TapeEntry& entry = entries_.emplace_back();
    entry.Kind = kind;
    entry.Row = std::move(row);
}

TapeEntries EntryBuilder::Finish() && {
    auto tap = TapeFile::FromBytes(std::move(tap_));
    for (TapeEntry& entry : entries_) {
        if (entry.Kind != EntryKind::Frame) {
            continue;
        }
        // Each frame fits the buffer it was laid out in, so the reader cannot
        // fail here; should it ever, the block is shown as corrupt, not sent.
        if (!ReadBlock(tap, entry.Block, TapeLayout::SpectrumTap, true) || entry.Block.Length < 0) {
            entry.Kind = EntryKind::Corrupt;
            entry.Row = CorruptBlockRow;
            continue;
        }
        bool expectHeader = true; // the Spectrum rules neither read nor change it
        entry.Row = ContentsRow(entry.Block, MachineKind::Spectrum, false, expectHeader);
        if (entry.Turbo) {
            entry.Row += " (turbo)";
        }
    }
    return std::move(entries_);
}

} // namespace bitreel
