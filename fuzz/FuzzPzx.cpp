// Feeds arbitrary bytes to the PZX reader, as a file named .PZX, with and
// without a header block in front.
#include "tape/Tape.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The readers' promises: a frame is a whole TapeBlock that fits the line's
// length field, a corrupt entry is the last one, every entry has a row.
void Check(const bitreel::TapeEntries& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        if (e.Row.empty() || (e.Kind == bitreel::EntryKind::Corrupt && i + 1 != entries.size())) {
            __builtin_trap();
        }
        if (e.Kind == bitreel::EntryKind::Frame &&
            (e.Block.Length < 0 || e.Block.Length > 0xFFFF ||
             e.Block.Bytes.size() != static_cast<std::size_t>(e.Block.Length) + 2)) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Check(bitreel::PzxReader::Read(bytes));
    std::vector<std::uint8_t> headed{'P', 'Z', 'X', 'T', 2, 0, 0, 0, 1, 0};
    headed.insert(headed.end(), bytes.begin(), bytes.end());
    const auto kept = bitreel::PzxReader::Read(headed);
    Check(kept);
    const auto listed = bitreel::PzxReader::Read(headed, bitreel::FrameUse::Drop);
    if (bitreel::EntryRows(listed) != bitreel::EntryRows(kept)) {
        __builtin_trap();
    }
    return 0;
}
