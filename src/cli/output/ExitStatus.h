#pragma once

namespace bitreel::cli {

// What a command's exit status tells a script.
enum ExitStatus : int {
    ExitDone = 0,
    ExitUsageOrIo = 1,     // a usage error, or a file that cannot be read or written
    ExitCorrupt = 2,       // a file listed or played holds a corrupt block
    ExitPortFailed = 3,    // the port could not be opened, failed or went away
    ExitCheckFailed = 4,   // an item of `check` failed
    ExitInterrupted = 130, // Ctrl-C (SIGINT): 128 + the signal's number, as shells report it
    ExitTerminated = 143   // SIGTERM, likewise
};

} // namespace bitreel::cli
