#include "app/DisplayStart.h"
#include "app/Form1.h"
#include "cli/CommandLine.h"
#include "signal/RecordingTzx.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// Handles --help and --version before any window exists, so that they work
// without a display. Both print and end the program inside process(), as
// does an unknown option (status 1, one line on standard error). Returns the
// FILE to open the window on, if one is given.
std::optional<QString> HandleOptions(int argc, char* argv[]) {
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
        bitreel::cli::CommandsHelp());
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

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Bitreel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BITREEL_VERSION));
    // Sound files open as tape images, in the window and in every command.
    bitreel::InstallRecordingFiles();
    if (argc > 1 && bitreel::cli::IsCommand(QString::fromLocal8Bit(argv[1]))) {
        // A command makes no window and needs no display.
        QCoreApplication app(argc, argv);
        return bitreel::cli::RunCommand(QCoreApplication::arguments());
    }
    std::optional<QString> file;
    if (argc > 1) {
        file = HandleOptions(argc, argv);
    }

    // The window takes no options: Qt sees the program's name only.
    int qtArgc = argc > 0 ? 1 : 0;
    std::optional<bitreel::DisplayStart> start(std::in_place);
    QApplication app(qtArgc, argv);
    start.reset();
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.bitreel.Bitreel"));
    bitreel::Form1 window;
    if (file && !window.ShowFile(*file)) {
        std::fprintf(stderr,
                     "bitreel: %s is not in the file list: its name does not match the "
                     "files of its machine\n",
                     qPrintable(*file));
    }
    window.show();
    return app.exec();
}
