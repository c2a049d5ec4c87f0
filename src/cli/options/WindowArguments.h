#pragma once

#include <QString>

#include <optional>

namespace bitreel::cli {

// The program's options when no command is given: --help and --version
// print and end the program, as does an unknown option or a FILE that is
// not one (status 1, one line on standard error), all before any window
// exists, so that they work without a display. Returns the FILE to open the
// window on, if one is given, as an absolute path.
[[nodiscard]] std::optional<QString> WindowFile(int argc, char* argv[]);

} // namespace bitreel::cli
