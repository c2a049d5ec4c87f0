#pragma once

#include "serial/SerialPort.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace bitreel {

// Thrown out of a yield when the program is being ended by Exit: the run
// stops where it is and takes no further step, not even its finishing steps.
struct TransferAbandoned {};

// Runs one finishing step; a port that fails in it (closed, or gone) must
// not keep the later steps from running. Any other error is not the line's
// and goes on, as it would anywhere else in the run.
template <typename Step> void RunGuarded(Step&& step) {
    try {
        step();
    } catch (const PortError&) {
        // The front end is released by the steps that follow; the run's own
        // failure, if any, is what the user is told.
    }
}

// "Cannot read GAME.TAP: Permission denied": what failed, the file's own
// name and the system's reason.
[[nodiscard]] inline std::string FileFailure(std::string_view what,
                                             const std::filesystem::path& file,
                                             const std::system_error& error) {
    return std::string(what) + " " + file.filename().string() + ": " + error.code().message();
}

} // namespace bitreel
