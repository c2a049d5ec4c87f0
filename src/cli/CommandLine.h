#pragma once

#include <QStringList>

namespace bitreel::cli {

// Whether the first argument names a command (list, play, record, convert,
// ports): then no window is made.
[[nodiscard]] bool IsCommand(const QString& word);

// Runs the command of arguments (the program's arguments, the program's
// name first) and returns the exit status. A QCoreApplication must exist.
[[nodiscard]] int RunCommand(const QStringList& arguments);

// The lines --help prints about the commands.
[[nodiscard]] QString CommandsHelp();

} // namespace bitreel::cli
