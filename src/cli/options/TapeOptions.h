#pragma once

#include "tape/TapeChoice.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <filesystem>
#include <optional>
#include <string>

namespace bitreel::cli {

// --machine and --format as given on the command line.
struct TapeOptions {
    std::optional<MachineKind> machine;
    std::optional<TapeLayout> aceFormat; // AceTap or AceJup
};

// Adds the two options to a command's parser.
void AddTapeOptions(QCommandLineParser& parser);

// Reads them back; the error text when a value is not one of the choices or
// --format comes with the Spectrum.
struct TapeOptionsParse {
    TapeOptions options;
    std::string error;
};
[[nodiscard]] TapeOptionsParse ReadTapeOptions(const QCommandLineParser& parser);

// Parses a command's arguments, the tape options among them, into options;
// the status to end with when they are wrong or help was asked for. With
// files given, exactly that many arguments must follow the options, or the
// error says missing ("give one FILE").
struct FileArguments {
    qsizetype count = 0;
    const char* missing = "";
};
[[nodiscard]] std::optional<int>
ParseTapeCommand(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                 TapeOptions& options, std::optional<FileArguments> files = std::nullopt);

// The machine and layout for a file: --machine, else the Jupiter Ace when
// --format is given, else what the file's name suggests; for the Jupiter
// Ace, --format, else the layout the name suggests.
[[nodiscard]] TapeChoice ChooseFor(const TapeOptions& options, const std::filesystem::path& path);

// Why the machine chosen cannot read the file at all: a PZX file is a
// Spectrum tape, and read by the Jupiter Ace's rules it would list as
// nonsense; a snapshot is a Spectrum program. None when it can.
[[nodiscard]] std::optional<std::string> NotForMachine(const TapeChoice& choice,
                                                       const std::filesystem::path& path);

// The machine and layout for the one tape a command reads (its argument
// name), at the speed --speed (speedOption) gives: the status to end with
// when that machine cannot read it or the speed is wrong.
[[nodiscard]] std::optional<int>
ChooseForTape(const QCommandLineParser& parser, const QString& command, const TapeOptions& options,
              const QString& name, const QCommandLineOption& speedOption, TapeChoice& choice);

} // namespace bitreel::cli
