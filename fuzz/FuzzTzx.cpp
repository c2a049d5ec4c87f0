// Feeds arbitrary bytes to the TZX reader, as a file named .TZX, with and
// without the signature in front.
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
    Check(bitreel::TzxReader::Read(bytes));
    // Most inputs lack the signature; give the block readers a go at them too.
    std::vector<std::uint8_t> signed_{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    signed_.insert(signed_.end(), bytes.begin(), bytes.end());
    const auto kept = bitreel::TzxReader::Read(signed_);
    Check(kept);
    const auto listed = bitreel::TzxReader::Read(signed_, bitreel::FrameUse::Drop);
    if (bitreel::EntryRows(listed) != bitreel::EntryRows(kept)) {
        __builtin_trap();
    }
    return 0;
}
