#include "cli/options/WindowArguments.h"

#include "cli/CommandLine.h"
#include "cli/output/Console.h"
#include "cli/output/Paths.h"
#include "transfer/FsPath.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace bitreel::cli {

std::optional<QString> WindowFile(int argc, char* argv[]) {
    // The help's usage line names the program as a user types it, not by the
    // path it was started from.
    char name[] = "bitreel";
    std::vector<char*> named(argv, argv + argc);
    named.front() = name;
    named.push_back(nullptr);
    int namedArgc = argc;
    QCoreApplication app(namedArgc, named.data());
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists, plays and records cassette tape images of the Spectrum and the "
                       "Jupiter Ace over an RS-232 line.\n\n") +
        CommandsHelp());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A tape image to open the window on."),
                                 QStringLiteral("[FILE | COMMAND ...]"));
    const QStringList arguments = ProgramArguments(namedArgc, named.data());
    // An error is told here, as every message is, after "bitreel:": the
    // parser's own words it under the application's name.
    if (!parser.parse(arguments)) {
        ReportError(parser.errorText().toStdString() + " (see bitreel --help)");
        std::exit(1);
    }
    parser.process(arguments); // --help, --help-all and --version print and end here
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    if (files.size() > 1) {
        ReportError(Shown(files.front()) +
                    " is not a command; give one FILE to open the window on");
        std::exit(1);
    }
    const std::filesystem::path file = ToFsPath(files.front());
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        ReportError("cannot open " + Shown(files.front()) + ": " +
                    (std::filesystem::exists(file, error) ? "Is a directory"
                                                          : "No such file or directory"));
        std::exit(1);
    }
    return FromFsPath(std::filesystem::absolute(file, error));
}

} // namespace bitreel::cli
