// Builds the entries of a TZX or PZX image, the frames by the TAP rules.
#include "tape/EntryBuilder.h"

#include "tape/BlockDescription.h"
#include "tape/BlockReader.h"

namespace bitreel {

void EntryBuilder::AddFrame(std::span<const std::uint8_t> data, bool turbo) {
    TapeEntry& entry = entries_.emplace_back();
    entry.Kind = EntryKind::Frame;
    entry.Turbo = turbo;
    TapeBlock& block = frames_ == FrameUse::Keep ? entry.Block : scratch_;
    FrameFromBody(data, block);
    if (!data.empty()) {
        entry.StoredChecksum = data.back();
    }
    bool expectHeader = true; // the Spectrum rules neither read nor change it
    entry.Row = ContentsRow(block, MachineKind::Spectrum, false, expectHeader);
    if (turbo) {
        entry.Row += " (turbo)";
    }
}

void EntryBuilder::Add(EntryKind kind, std::string row) {
    TapeEntry& entry = entries_.emplace_back();
    entry.Kind = kind;
    entry.Row = std::move(row);
}

} // namespace bitreel
