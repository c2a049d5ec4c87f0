#pragma once

#include <QCommandLineOption>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <span>

namespace bitreel::cli {

// Writes the file OUT that a command makes, named by the user as name: an
// existing one is refused unless force is given, so that no command
// replaces a file without being told to. The bytes go to a new file beside
// it, which takes the name only once they are all there: a write that fails
// leaves no file, and an old one as it was. Reports why it cannot on
// standard error.
[[nodiscard]] bool WriteOutFile(const std::filesystem::path& path, const QString& name, bool force,
                                std::span<const std::uint8_t> bytes);

// The same refusal told before any other step (a port opened, a file
// read), so that a refused OUT costs nothing; WriteOutFile still refuses a
// file made meanwhile.
[[nodiscard]] bool MayCreateOutFile(const std::filesystem::path& path, const QString& name,
                                    bool force);

// A conversion of an image that holds no block writes no file: says so on
// standard error ("EMPTY.TAP holds no block; nothing is written") and
// gives the status, 2, as for a first block that is corrupt.
[[nodiscard]] int NoBlockToWrite(const QString& inName);

// Says on standard error that OUT exists and --force would replace it.
void ReportExistingOutFile(const QString& name);

// The --force option that lets CreateOutFile replace a file.
[[nodiscard]] inline QCommandLineOption ForceOption() {
    return {QStringLiteral("force"), QStringLiteral("Overwrite an existing OUT.")};
}

} // namespace bitreel::cli
