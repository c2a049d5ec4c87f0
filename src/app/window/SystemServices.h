#pragma once

#include "app/Form1.h"

namespace bitreel {

// The running system's services: the serial ports of the fixed port table,
// the mounted volumes, and the real program exit.
[[nodiscard]] Form1::Services SystemServices();

} // namespace bitreel
