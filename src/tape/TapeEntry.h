#pragma once

// One block of a TZX or PZX image as its reader finds it at an offset: what
// Play does with it, and where the next one starts.

#include <cstdint>
#include <span>
#include <string>

namespace bitreel {

// What Play does when it comes to the block.
enum class EntryKind {
    Frame,   // its data goes out as a frame, exactly as the same block of a TAP file
    Skipped, // nothing goes out; Play passes over the block with its row selected
    Stop,    // the tape stops: Play ends after the block before it, and the next
             // Play goes on from the row after it
    Corrupt, // the block cannot be read whole; Play ends before it, and nothing
             // after it is listed
};

struct TapeEntry {
    EntryKind kind = EntryKind::Skipped;
    std::string row; // every kind but Frame: the contents-list row
    // Frame: flag, payload, checksum as stored. Corrupt: the file's bytes
    // from where the block begins (its ID or tag) to the file's end.
    std::span<const std::uint8_t> data;
    bool turbo = false;   // Frame: stored for a loader other than the ROM's
    std::size_t next = 0; // where the next block starts
    bool last = false;    // nothing is read after this block
};

// The last entry of an image whose next block cannot be read whole; rest is
// what the file holds from where that block begins.
[[nodiscard]] inline TapeEntry CorruptEntry(std::string row, std::span<const std::uint8_t> rest) {
    TapeEntry entry;
    entry.kind = EntryKind::Corrupt;
    entry.row = std::move(row);
    entry.data = rest;
    entry.last = true;
    return entry;
}

// Makes the entry a block reader returns: a frame of data, or a row.
class EntryBuilder {
public:
    explicit EntryBuilder(std::size_t next) { entry_.next = next; }

    void AddFrame(std::span<const std::uint8_t> data, bool turbo) {
        entry_.kind = EntryKind::Frame;
        entry_.data = data;
        entry_.turbo = turbo;
    }
    void Add(EntryKind kind, std::string row) {
        entry_.kind = kind;
        entry_.row = std::move(row);
    }
    void SetNext(std::size_t next) { entry_.next = next; }

    [[nodiscard]] TapeEntry Finish() && { return std::move(entry_); }

private:
    TapeEntry entry_;
};

} // namespace bitreel
