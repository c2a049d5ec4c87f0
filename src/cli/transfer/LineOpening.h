#pragma once

#include "cli/options/TapeOptions.h"
#include "serial/SystemPort.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

namespace bitreel::cli {

// The line as Play and Record use it: 9600 baud, no parity, 8 data bits,
// 1 stop bit.
[[nodiscard]] LineSettings TransferLineSettings();

// Opens the port a --port argument names, set as the window's start-up sets
// the line: 9600 baud, no parity, 8 data bits, 1 stop bit, RTS/CTS, DTR low.
// Null after reporting why it cannot; status then holds the exit status.
[[nodiscard]] std::unique_ptr<SystemPort> OpenLine(const QString& command, const QString& argument,
                                                   int& status);

// Play's and Record's one file over the line (--port) or through the sound
// card (--audio, where a DEVICE may come before the file): adds the file's
// argument, parses the command with its tape options, and checks the words
// given. The status to end with when the command is not to run.
struct LineOrSound {
    bool audio = false;
    std::string device; // --audio: the DEVICE given, else empty (the default)
    QString name;       // the file as given
};
struct LineOrSoundWords {
    std::string file;    // what help and errors name the file: "FILE"
    QString description; // its help text
    std::string oneFile; // the error without --audio: "give one FILE"
};
[[nodiscard]] std::optional<int>
ParseLineOrSoundCommand(QCommandLineParser& parser, const QString& command,
                        const QStringList& arguments, const QCommandLineOption& portOption,
                        const QCommandLineOption& audioOption, const LineOrSoundWords& words,
                        TapeOptions& options, LineOrSound& out);

} // namespace bitreel::cli
