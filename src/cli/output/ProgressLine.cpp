// The text of the progress lines on standard error.
#include "cli/output/ProgressLine.h"

#include <cmath>

namespace bitreel::cli {
namespace {

std::string Head(const ProgressFigures& figures) {
    std::string text = "block " + std::to_string(figures.block);
    if (figures.blocks) {
        text += " of " + std::to_string(*figures.blocks);
    }
    return text + ": ";
}

std::string Rate(const ProgressFigures& figures) {
    if (figures.bytesPerSecond <= 0) {
        return {};
    }
    return ", " + std::to_string(std::llround(figures.bytesPerSecond)) + " bytes/s";
}

// Tenths of a second, rounded down so that a block shows its whole length
// only at its end.
std::string Seconds(long long ms) {
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100);
}

std::string TwoDigits(long long value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

} // namespace

std::string Duration(double seconds) {
    const long long whole = seconds > 0 ? static_cast<long long>(std::ceil(seconds)) : 0;
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const std::string tail = TwoDigits(whole % 60);
    if (hours > 0) {
        return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + tail;
    }
    return std::to_string(minutes) + ":" + tail;
}

std::string RunningLine(const ProgressFigures& figures) {
    if (figures.time) {
        return Head(figures) + Seconds(figures.count) + " of " +
               (figures.total ? Seconds(*figures.total) : "?") + " s";
    }
    std::string text = Head(figures) + std::to_string(figures.count) + " of " +
                       (figures.total ? std::to_string(*figures.total) : "?") + " bytes" +
                       Rate(figures);
    if (figures.secondsLeft && figures.bytesPerSecond > 0) {
        text += ", " + Duration(*figures.secondsLeft) + " left";
    }
    if (figures.waiting) {
        text += ", waiting for CTS";
    }
    return text;
}

std::string FinishedLine(const ProgressFigures& figures) {
    if (figures.time) {
        return Head(figures) + Seconds(figures.total.value_or(figures.count)) + " s";
    }
    return Head(figures) + std::to_string(figures.total.value_or(figures.count)) + " bytes" +
           Rate(figures);
}

} // namespace bitreel::cli
