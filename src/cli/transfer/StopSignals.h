#pragma once

namespace bitreel::cli {

// Ctrl-C (SIGINT) and SIGTERM as the Stop command of a transfer: the first
// one is noted for the transfer to see at its next yield; a second one ends
// the program at once, should the transfer not stop.
void CatchStopSignals();
[[nodiscard]] bool StopSignalled();

// The exit status of a run a signal stopped: 130 after Ctrl-C, 143 after
// SIGTERM, as a shell reports a program the signal ended.
[[nodiscard]] int StoppedStatus();

} // namespace bitreel::cli
