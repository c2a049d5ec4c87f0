#pragma once

#include <optional>
#include <string>

namespace bitreel::cli {

// The figures of one progress line.
struct ProgressFigures {
    int block = 1;                  // counted from 1
    std::optional<int> blocks;      // how many there are, when known
    long long count = 0;            // bytes of the block moved so far
    std::optional<long long> total; // bytes of the whole block, when known
    double bytesPerSecond = 0;      // 0 while there is nothing to tell
    std::optional<double> secondsLeft;
    bool waiting = false; // the machine holds CTS down
    bool time = false;    // count and total are milliseconds played through the sound card
};

// "block 3 of 10: 1200 of 6914 bytes, 958 bytes/s, 0:06 left", the line a
// terminal shows and redraws while a block moves; "block 3 of 10: 2.5 of
// 14.1 s" while the sound card plays it.
[[nodiscard]] std::string RunningLine(const ProgressFigures& figures);

// "block 3 of 10: 6914 bytes, 958 bytes/s", one line per finished block;
// "block 3 of 10: 14.1 s" played through the sound card.
[[nodiscard]] std::string FinishedLine(const ProgressFigures& figures);

// "0:06", "1:02:03"; whole seconds, rounded up so that 0:00 means done.
[[nodiscard]] std::string Duration(double seconds);

} // namespace bitreel::cli
