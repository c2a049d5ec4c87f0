#pragma once

#include "serial/SerialPort.h"
#include "tape/TapeImage.h"
#include "transfer/OutputFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace bitreel {

// Thrown out of a yield when the program is being ended by Exit: the run
// stops where it is and takes no further step, not even its finishing steps.
struct TransferAbandoned {};

// After a yield: ends the run there when Exit came during it.
inline void EndIfAbandoned(bool abandoned) {
    if (abandoned) {
        throw TransferAbandoned{};
    }
}

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

// A tape or snapshot that cannot be read, with the reason a snapshot is
// refused for: "Cannot read GAME.z80: a Pentagon 128 snapshot: ...".
[[nodiscard]] inline std::string ReadFailure(const std::filesystem::path& file,
                                             const std::system_error& error) {
    return "Cannot read " + file.filename().string() + ": " + ReadFailureText(error);
}

// "Cannot read GAME.TAP: Permission denied": what failed, the file's own
// name and the system's reason.
[[nodiscard]] inline std::string FileFailure(std::string_view what,
                                             const std::filesystem::path& file,
                                             const std::system_error& error) {
    return std::string(what) + " " + file.filename().string() + ": " + error.code().message();
}

// What became of a recording whose file was removed or replaced while it
// recorded: "SAVED.TAP was replaced while recording: every block is in
// SAVED-2.TAP", or, written again under its own name, "SAVED.TAP was removed
// while recording: it is written again with every block".
[[nodiscard]] inline std::string MovedText(const MovedFile& moved,
                                           const std::filesystem::path& now) {
    const std::string name = moved.from.filename().string();
    const std::string what =
        name + (moved.replaced ? " was replaced" : " was removed") + " while recording: ";
    if (now == moved.from) {
        return what + "it is written again with every block";
    }
    return what + "every block is in " + now.filename().string();
}

} // namespace bitreel
