// `bitreel`: the commands, on Qt Core alone. The window and the sound card
// are the desktop executable's (DesktopHandover.h).
#include "cli/CommandLine.h"
#include "cli/DesktopHandover.h"
#include "cli/options/WindowArguments.h"
#include "fastload/SnapshotTapes.h"
#include "signal/decode/RecordingTzx.h"
#include "transfer/FsPath.h"

#include <QCoreApplication>

#include <span>

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Bitreel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BITREEL_VERSION));
    const std::span<char* const> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const bool command =
        !words.empty() && bitreel::cli::IsCommand(QString::fromLocal8Bit(words[0]));
    if (command && !bitreel::cli::NeedsSoundCard(words.subspan(1))) {
        // Sound files and snapshots open as tape images in every command.
        bitreel::InstallRecordingFiles();
        bitreel::fastload::InstallSnapshotTapes();
        QCoreApplication app(argc, argv);
        return bitreel::cli::RunCommand(bitreel::ProgramArguments(argc, argv));
    }
    if (!command && !words.empty()) {
        // --help, --version, a bad option and a FILE that is none end here.
        static_cast<void>(bitreel::cli::WindowFile(argc, argv));
    }
    bitreel::cli::HandOverToDesktop(argv);
    return 1;
}
