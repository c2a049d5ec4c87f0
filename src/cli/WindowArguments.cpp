#include "cli/WindowArguments.h"

#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
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
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    if (files.size() > 1) {
        std::fprintf(stderr, "bitreel: %s is not a command; give one FILE to open the window on\n",
                     qPrintable(files.front()));
        std::exit(1);
    }
    const QFileInfo file(files.front());
    if (!file.isFile()) {
        std::fprintf(stderr, "bitreel: cannot open %s: %s\n", qPrintable(files.front()),
                     file.exists() ? "Is a directory" : "No such file or directory");
        std::exit(1);
    }
    return file.absoluteFilePath();
}

} // namespace bitreel::cli
