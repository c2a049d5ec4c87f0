#pragma once

#include <QCommandLineOption>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <memory>

namespace bitreel::cli {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutFile = std::unique_ptr<std::FILE, FileCloser>;

// Creates the file OUT that a command writes, named by the user as name: an
// existing one is refused unless force is given, so that no command replaces
// a file without being told to. Reports why it cannot on standard error and
// gives no file then.
[[nodiscard]] OutFile CreateOutFile(const std::filesystem::path& path, const QString& name,
                                    bool force);

// The same refusal told before any other step (a port opened, a file
// read), so that a refused OUT costs nothing; CreateOutFile still refuses a
// file made meanwhile.
[[nodiscard]] bool MayCreateOutFile(const std::filesystem::path& path, const QString& name,
                                    bool force);

// Says on standard error that OUT exists and --force would replace it.
void ReportExistingOutFile(const QString& name);

// The --force option that lets CreateOutFile replace a file.
[[nodiscard]] inline QCommandLineOption ForceOption() {
    return {QStringLiteral("force"), QStringLiteral("Overwrite an existing OUT.")};
}

} // namespace bitreel::cli
