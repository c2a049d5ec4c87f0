// The window's words for a transfer's activity and progress.
#include "app/TransferWords.h"

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

std::string ProgressText(const BlockProgress& progress) {
    return std::to_string(progress.count) + " of " +
           (progress.total ? std::to_string(*progress.total) : std::string("?"));
}

} // namespace bitreel
