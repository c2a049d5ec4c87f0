// The desktop executable: the window, and every command with the sound card
// and Qt Gui at hand. `bitreel` hands it what needs them.
#include "app/Form1.h"
#include "app/window/DisplayStart.h"
#include "cli/CommandLine.h"
#include "cli/options/WindowArguments.h"
#include "cli/transfer/SoundCard.h"
#include "fastload/SnapshotTapes.h"
#include "signal/decode/RecordingTzx.h"
#include "soundcard/AudioDevices.h"
#include "soundcard/SoundServerNotice.h"
#include "transfer/FsPath.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <optional>

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Bitreel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BITREEL_VERSION));
    // Sound files and snapshots open as tape images, in the window and in
    // every command.
    bitreel::InstallRecordingFiles();
    bitreel::fastload::InstallSnapshotTapes();
    bitreel::cli::InstallSoundCard({bitreel::AudioOutputs, bitreel::OpenAudioOutput,
                                    bitreel::AudioInputs, bitreel::OpenAudioInput});
    bitreel::InstallSoundServerNotice();
    if (argc > 1 && bitreel::cli::IsCommand(QString::fromLocal8Bit(argv[1]))) {
        // A command makes no window and needs no display.
        QCoreApplication app(argc, argv);
        return bitreel::cli::RunCommand(bitreel::ProgramArguments(argc, argv));
    }
    std::optional<QString> file;
    if (argc > 1) {
        file = bitreel::cli::WindowFile(argc, argv);
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
                     qPrintable(bitreel::ShownName(*file)));
    }
    window.show();
    return app.exec();
}
