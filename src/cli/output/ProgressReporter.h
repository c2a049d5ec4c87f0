#pragma once

#include "cli/output/ProgressLine.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace bitreel::cli {

// The progress of a Play or Record run on standard error: on a terminal one
// line redrawn in place, otherwise one plain line per finished block.
class ProgressReporter {
public:
    using Clock = std::chrono::steady_clock;

    // How a run counts its blocks and bytes.
    enum class Counting {
        Play,   // bytes per second over the whole run; a block ends when its bytes are sent
        Record, // bytes per second within the block; a block ends when it is written
        Sound,  // milliseconds of the block played; a block ends when its time has played
    };

    ProgressReporter(std::FILE* stream, bool terminal, Counting counting);

    // Play: the frame size of every row, so that the line can tell the number
    // of blocks and the time left.
    void PlanRows(std::vector<long long> frameSizes);
    // Record: the number of blocks the run ends after.
    void PlanBlocks(int blocks) { blocks_ = blocks; }

    // The block of the row at index (from 0) begins to move; the line shows
    // its number, from 1.
    void StartBlock(int index);
    // Bytes of the block moved so far, and its size when known.
    void Moved(long long count, std::optional<long long> total);
    void SetWaiting(bool waiting);
    // The block is complete (Record: written).
    void FinishBlock();
    // Erases a line drawn in place, before other text goes to the terminal.
    void ClearLine();
    // The run is over: a line drawn in place is ended.
    void End();

    [[nodiscard]] bool InBlock() const { return inBlock_; }

private:
    [[nodiscard]] ProgressFigures Figures() const;
    void Draw(bool force);

    std::FILE* stream_;
    bool terminal_;
    Counting counting_;
    std::vector<long long> frameSizes_;
    std::optional<int> blocks_;
    int index_ = 0;
    bool inBlock_ = false;
    long long count_ = 0;
    std::optional<long long> total_;
    bool waiting_ = false;
    long long bytesBefore_ = 0; // Play: bytes of the blocks sent before this one
    std::optional<Clock::time_point> rateStart_;
    Clock::time_point lastDraw_{};
    bool drawn_ = false; // a line stands on the terminal
};

} // namespace bitreel::cli
