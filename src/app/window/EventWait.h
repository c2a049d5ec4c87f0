#pragma once

#include <chrono>

namespace bitreel {

// Handles the window's pending events; with none pending, waits for the next
// one (a byte at the port, output leaving it, a click, a repaint) or until
// the time has passed, whichever comes first, and handles it. A transfer
// waits here instead of polling again at once.
void WaitForEvents(std::chrono::milliseconds most);

} // namespace bitreel
