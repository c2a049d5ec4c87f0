#pragma once

// The rows of a TZX or PZX image in the shape the reader tests check them:
// each row's kind for Play, its text, and the frame Play sends for it.

#include "tape/Tape.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace bitreel::test {

struct Entry {
    EntryKind Kind = EntryKind::Skipped;
    std::string Row;
    TapeBlock Block; // Frame only: the frame Play sends
    bool Turbo = false;
    std::uint8_t StoredChecksum = 0; // Frame only: the checksum byte as stored
};
using Entries = std::vector<Entry>;

inline Entries EntriesOf(const TapeImage& image) {
    Entries entries;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const ImageBlock block = image.Block(row);
        Entry& entry = entries.emplace_back();
        entry.Row = block.row;
        entry.Turbo = block.turbo;
        switch (block.kind) {
        case BlockKind::Skipped:
            entry.Kind = EntryKind::Skipped;
            break;
        case BlockKind::Stop:
            entry.Kind = EntryKind::Stop;
            break;
        case BlockKind::Corrupt:
            entry.Kind = EntryKind::Corrupt;
            break;
        default:
            entry.Kind = EntryKind::Frame;
            entry.Block = image.Frame(row);
            if (!block.stored.empty()) {
                entry.StoredChecksum = block.stored.back();
            }
            break;
        }
    }
    return entries;
}

inline Entries ReadTzx(std::span<const std::uint8_t> bytes) {
    return EntriesOf(TapeImage({bytes.begin(), bytes.end()}, ImageFormat::Tzx,
                               MachineKind::Spectrum, TapeLayout::SpectrumTap, false)
                         .IndexAll());
}

inline Entries ReadPzx(std::span<const std::uint8_t> bytes) {
    return EntriesOf(TapeImage({bytes.begin(), bytes.end()}, ImageFormat::Pzx,
                               MachineKind::Spectrum, TapeLayout::SpectrumTap, false)
                         .IndexAll());
}

inline Entries LoadEntries(const std::filesystem::path& path) {
    return EntriesOf(TapeImage(path, MachineKind::Spectrum, TapeLayout::SpectrumTap).IndexAll());
}

inline std::vector<std::string> EntryRows(const Entries& entries) {
    std::vector<std::string> rows;
    for (const Entry& entry : entries) {
        rows.push_back(entry.Row);
    }
    return rows;
}

} // namespace bitreel::test
