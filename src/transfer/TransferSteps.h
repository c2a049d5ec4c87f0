#pragma once

#include "transfer/TransferWindow.h"

#include <exception>
#include <string_view>

namespace bitreel {

// Thrown out of a yield when the program is being ended by Exit: the run
// stops where it is and takes no further step, not even its finishing steps.
struct TransferAbandoned {};

// Runs one finishing step; a failure in it must not keep the later steps
// from running.
template <typename Step> void RunGuarded(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
        // The window is unlocked by the steps that follow; nothing to report.
    }
}

// lblStatus is written only when its text changes, to keep repaints off the
// per-byte path.
inline void ShowStatus(TransferWindow& window, std::string_view text) {
    if (!window.StatusReads(text)) {
        window.SetStatus(text);
    }
}

inline void SetEnabled(TransferWindow& window, std::initializer_list<Control> controls,
                       bool enabled) {
    for (const Control control : controls) {
        window.SetEnabled(control, enabled);
    }
}

} // namespace bitreel
