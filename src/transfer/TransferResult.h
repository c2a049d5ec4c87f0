#pragma once

#include "transfer/OutputFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bitreel {

// A frame that had begun and not ended: the bytes of its body that came (after
// its length field), and the length that field gives once both of its bytes
// came.
struct FramePart {
    std::int64_t received = 0;
    std::optional<std::int64_t> length;

    friend bool operator==(const FramePart&, const FramePart&) = default;
};

// How a Play or Record run ended, for its front end to show.
struct TransferResult {
    enum class Ending {
        Done,    // every block went out
        Stopped, // the user stopped it, cancelled the file chooser, or ended the program
        Failed,  // see reason
    };

    TransferResult() = default;
    TransferResult(Ending how, std::string why, int row)
        : ending(how), reason(std::move(why)), block(row) {}

    Ending ending = Ending::Done;
    // Failed: one short line for a user ("COM12 went away",
    // "Stopped at block 9: corrupt block"); empty otherwise.
    std::string reason;
    // The contents row of the block the run was at when it ended (for Record,
    // the row the block in progress would get); -1 when it ended before any.
    int block = -1;
    // Play: the row the next Play goes on from, when the tape stopped at a
    // stop block (a multi-load tape); none when the list goes back to row 0.
    std::optional<int> resumeRow;
    // Play: the run ended at a block that stops the tape (block is its row),
    // also when nothing follows it.
    bool atStopBlock = false;
    // Record: the file that holds the blocks written; empty when none was
    // written.
    std::filesystem::path file;
    // Record: the frame in progress when the run ended, which was not written
    // (its row is block); none when the run ended between frames.
    std::optional<FramePart> cutShort;
    // Record: the file at the chosen name was removed or replaced while the
    // recording went on, so that file holds every block written instead.
    std::optional<MovedFile> moved;
    // Record: the rows of the blocks written damaged (a checksum that fits
    // no rule, or a block read from sound that could not be read right).
    std::vector<int> damaged;

    [[nodiscard]] bool Failed() const { return ending == Ending::Failed; }
};

} // namespace bitreel
