#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

namespace bitreel::cli {

// Parses one command's arguments (the words after the command's name) with
// its parser, which gets --help added. An exit status when the command is
// not to run: its help printed (0), or a usage error reported (1).
[[nodiscard]] std::optional<int> ParseCommand(QCommandLineParser& parser, const QString& command,
                                              const QStringList& arguments);

// Reports a usage error of the command: one line on standard error; returns
// the exit status for it.
int UsageError(const QString& command, const std::string& message);

} // namespace bitreel::cli
