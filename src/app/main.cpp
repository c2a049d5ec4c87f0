#include "app/Form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// Handles --help and --version before any window exists, so that they work
// without a display. Both print and end the program inside process(), as
// does an unknown option (status 1, one line on standard error).
void HandleOptions(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists, plays and records cassette tape images of the Spectrum and the "
                       "Jupiter Ace over an RS-232 line."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Bitreel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BITREEL_VERSION));
    if (argc > 1) {
        HandleOptions(argc, argv);
    }

    // The window takes no arguments: Qt sees the program's name only.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.bitreel.Bitreel"));
    bitreel::Form1 window;
    window.show();
    return app.exec();
}
