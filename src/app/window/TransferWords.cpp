// The window's words for a transfer's activity and progress.
#include "app/window/TransferWords.h"

#include "tape/TapeImage.h"

namespace bitreel {

std::string_view ActivityText(Activity activity) {
    switch (activity) {
    case Activity::Playing:
        return "Playing...";
    case Activity::Waiting:
        return "Waiting...";
    case Activity::Recording:
        return "Recording...";
    }
    return {};
}

namespace {

// Tenths of a second, rounded down so that a block shows its whole length
// only at its end.
std::string Seconds(std::int64_t ms) {
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100);
}

} // namespace

std::string ProgressText(const BlockProgress& progress) {
    if (progress.unit == ProgressUnit::Milliseconds) {
        return Seconds(progress.count) + " of " +
               (progress.total ? Seconds(*progress.total) : std::string("?")) + " s";
    }
    return std::to_string(progress.count) + " of " +
           (progress.total ? std::to_string(*progress.total) : std::string("?"));
}

std::string TapeStoppedText(int row, std::string_view key) {
    return "Tape stopped at block " + RowNumberText(row) + ": " + std::string(key) + " goes on";
}

std::string ChoiceText(int row) {
    return "Block " + RowNumberText(row) + ": first choice";
}

} // namespace bitreel
