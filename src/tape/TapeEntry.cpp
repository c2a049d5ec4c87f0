// The rows and the playability of a list of entries.
#include "tape/TapeEntry.h"

#include <algorithm>

namespace bitreel {

std::vector<std::string> EntryRows(const TapeEntries& entries) {
    std::vector<std::string> rows;
    rows.reserve(entries.size());
    for (const TapeEntry& entry : entries) {
        rows.push_back(entry.Row);
    }
    return rows;
}

bool HasFrame(const TapeEntries& entries) noexcept {
    return std::any_of(entries.begin(), entries.end(),
                       [](const TapeEntry& e) { return e.Kind == EntryKind::Frame; });
}

} // namespace bitreel
