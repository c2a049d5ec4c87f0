#pragma once

// `bitreel` is the command line on Qt Core, so that a script that lists a
// collection file by file pays a C tool's start each time. The window and
// the sound card need Qt Gui, Widgets and Multimedia: what asks for them is
// handed, by exec, to the executable that has them, installed beside it.

#include <span>

namespace bitreel::cli {

// Whether the words of a command ask for the sound card: an --audio
// option, before any "--".
[[nodiscard]] bool NeedsSoundCard(std::span<char* const> commandWords);

// Replaces this process by the desktop executable with the same arguments,
// so that its output, signals and exit status are the command's own.
// Returns only when it cannot be started, having said why.
void HandOverToDesktop(char* argv[]);

} // namespace bitreel::cli
