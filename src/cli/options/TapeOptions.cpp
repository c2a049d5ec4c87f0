// The --machine and --format options of the commands.
#include "cli/options/TapeOptions.h"

#include "cli/options/CommandParser.h"
#include "cli/options/SpeedOption.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/Paths.h"
#include "tape/formats/SnapshotHook.h"
#include "transfer/FsPath.h"

namespace bitreel::cli {
namespace {

const QString MachineOption = QStringLiteral("machine");
const QString FormatOption = QStringLiteral("format");

} // namespace

void AddTapeOptions(QCommandLineParser& parser) {
    parser.addOption(
        {MachineOption,
         QStringLiteral(
             "The machine: spectrum or ace (default: by the file's name: "
             "ace for .JUP, .DIC and .BYT and for a TZX image of an Ace tape, else spectrum)."),
         QStringLiteral("spectrum|ace")});
    parser.addOption({FormatOption,
                      QStringLiteral("The Jupiter Ace layout: jup or tap (default: by the file's "
                                     "name: tap for .TAP, .DIC and .BYT, else jup). Implies "
                                     "--machine ace."),
                      QStringLiteral("jup|tap")});
}

TapeOptionsParse ReadTapeOptions(const QCommandLineParser& parser) {
    TapeOptionsParse parse;
    if (parser.isSet(MachineOption)) {
        const QString machine = parser.value(MachineOption).toLower();
        if (machine == QLatin1String("spectrum")) {
            parse.options.machine = MachineKind::Spectrum;
        } else if (machine == QLatin1String("ace")) {
            parse.options.machine = MachineKind::JupiterAce;
        } else {
            parse.error =
                "--machine " + parser.value(MachineOption).toStdString() + ": give spectrum or ace";
            return parse;
        }
    }
    if (parser.isSet(FormatOption)) {
        const QString format = parser.value(FormatOption).toLower();
        if (format == QLatin1String("jup")) {
            parse.options.aceFormat = TapeLayout::AceJup;
        } else if (format == QLatin1String("tap")) {
            parse.options.aceFormat = TapeLayout::AceTap;
        } else {
            parse.error =
                "--format " + parser.value(FormatOption).toStdString() + ": give jup or tap";
            return parse;
        }
        if (parse.options.machine == MachineKind::Spectrum) {
            parse.error = "--format is for the Jupiter Ace; Spectrum images are TAP files";
        }
    }
    return parse;
}

std::optional<int> ParseTapeCommand(QCommandLineParser& parser, const QString& command,
                                    const QStringList& arguments, TapeOptions& options,
                                    std::optional<FileArguments> files) {
    if (const auto status = ParseCommand(parser, command, arguments)) {
        return status;
    }
    TapeOptionsParse parsed = ReadTapeOptions(parser);
    if (!parsed.error.empty()) {
        return UsageError(command, parsed.error);
    }
    options = parsed.options;
    if (files && parser.positionalArguments().size() != files->count) {
        return UsageError(command, files->missing);
    }
    return std::nullopt;
}

TapeChoice ChooseFor(const TapeOptions& options, const std::filesystem::path& path) {
    MachineKind machine = ChoiceForFile(path).machine;
    if (options.machine) {
        machine = *options.machine;
    } else if (options.aceFormat) {
        machine = MachineKind::JupiterAce;
    }
    if (machine == MachineKind::Spectrum) {
        return {};
    }
    return {MachineKind::JupiterAce, options.aceFormat.value_or(AceLayoutForName(path))};
}

std::optional<std::string> NotForMachine(const TapeChoice& choice,
                                         const std::filesystem::path& path) {
    if (choice.machine == MachineKind::JupiterAce &&
        ImageFormatOf(path, MachineKind::Spectrum) == ImageFormat::Pzx) {
        return "a PZX file is a Spectrum tape; the Jupiter Ace reads TZX, JUP and TAP files";
    }
    if (choice.machine == MachineKind::JupiterAce && IsSnapshotPath(path)) {
        return "a snapshot is a Spectrum program; the Jupiter Ace cannot load it";
    }
    return std::nullopt;
}

std::optional<int> ChooseForTape(const QCommandLineParser& parser, const QString& command,
                                 const TapeOptions& options, const QString& name,
                                 const QCommandLineOption& speedOption, TapeChoice& choice) {
    const std::filesystem::path path = ToFsPath(name);
    choice = ChooseFor(options, path);
    if (const auto why = NotForMachine(choice, path)) {
        ReportError(Shown(name) + ": " + *why);
        return ExitUsageOrIo;
    }
    if (const std::string error = UseSpeedOption(parser, speedOption, {&path, 1}); !error.empty()) {
        return UsageError(command, error);
    }
    return std::nullopt;
}

} // namespace bitreel::cli
