#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <filesystem>
#include <span>
#include <string>

namespace bitreel::cli {

// --speed N: how fast the tape that loads a snapshot goes.
[[nodiscard]] QCommandLineOption AddSpeedOption(QCommandLineParser& parser);

// Reads it and makes every snapshot opened from now on load at that speed
// (the default when it is not given). The error text when it is no number
// from the slowest to the fastest. Given with no snapshot among files, it
// is ignored with a note on standard error, so that a script may pass it
// for any file.
[[nodiscard]] std::string UseSpeedOption(const QCommandLineParser& parser,
                                         const QCommandLineOption& option,
                                         std::span<const std::filesystem::path> files);

} // namespace bitreel::cli
