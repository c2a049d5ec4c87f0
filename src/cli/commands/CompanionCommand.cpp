// `bitreel companion`: the machine's side of the line, as a tape to load
// through the EAR socket, written as a TAP file or as its sound.
#include "cli/Commands.h"
#include "cli/options/AudioOptions.h"
#include "cli/options/CommandParser.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "companion/CompanionTapes.h"
#include "signal/render/TapeAudioFile.h"
#include "tape/TapeChoice.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"

#include <QDir>
#include <QTemporaryDir>

#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("companion");

int WriteTap(std::span<const std::uint8_t> tape, const std::filesystem::path& out,
             const QString& name, bool force) {
    return WriteOutFile(out, name, force, tape) ? ExitDone : ExitUsageOrIo;
}

int WriteSound(std::span<const std::uint8_t> tape, const std::filesystem::path& out,
               const QString& name, AudioFileType type, const RenderOptions& render, bool force) {
    TapeImage image({tape.begin(), tape.end()}, ImageFormat::Blocks, MachineKind::Spectrum,
                    TapeLayout::SpectrumTap, true);
    try {
        (void)WriteTapeAudio(image.IndexAll(), PulseRange{}, render, out, type, {},
                             force ? FileCreation::Replace : FileCreation::Refuse);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::file_exists) {
            ReportExistingOutFile(name);
        } else {
            ReportError(error.what());
        }
        return ExitUsageOrIo;
    }
    return ExitDone;
}

// Through the sound card, as `play --audio` plays a tape: the tape goes
// into a file of its own for the while, with the options that were given.
int PlayThroughSoundCard(CompanionMachine machine, const QCommandLineParser& parser,
                         const AudioOptions& options) {
    const QTemporaryDir dir;
    const QString tap = QDir(dir.path())
                            .filePath(QString::fromLatin1(CompanionName(machine).data()).toUpper() +
                                      QStringLiteral(".TAP"));
    if (!dir.isValid() || WriteTap(CompanionTape(machine), ToFsPath(tap), tap, false) != ExitDone) {
        return ExitUsageOrIo;
    }
    QStringList play{QStringLiteral("--audio")};
    for (const QCommandLineOption& option : {options.rate, options.level}) {
        if (parser.isSet(option)) {
            play << QStringLiteral("--") + option.names().front() << parser.value(option);
        }
    }
    if (parser.isSet(options.invert)) {
        play << QStringLiteral("--invert");
    }
    return PlayCommand(play << parser.positionalArguments() << tap);
}

} // namespace

int CompanionCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the machine's side of the line: Bitreel's own program for the Spectrum 128, "
        "+2, +2A and +3 (--for spectrum128) or for a Spectrum with Interface 1 (--for "
        "interface1), as a tape of a BASIC loader and one CODE block. Loaded with LOAD \"\", it "
        "waits for `bitreel play`. OUT is a TAP file, or by its extension (.wav, .flac or .csw) "
        "the sound to play into the EAR socket; with --audio the tape plays through the sound "
        "card, as `bitreel play --audio` plays one."));
    const QCommandLineOption forOption(QStringLiteral("for"),
                                       QStringLiteral("The machine: spectrum128 or interface1."),
                                       QStringLiteral("MACHINE"));
    parser.addOption(forOption);
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(forceOption);
    const QCommandLineOption audioOption(
        QStringLiteral("audio"),
        QStringLiteral("Plays the tape through the sound card: the default output, or DEVICE "
                       "(its description or id; bitreel ports --audio lists them)."));
    parser.addOption(audioOption);
    const AudioOptions audioOptions = AddAudioOptions(
        parser, QStringLiteral("a sound file OUT, or the sound card's sound (--audio)"));
    parser.addPositionalArgument(QStringLiteral("OUT"),
                                 QStringLiteral("The tape image or sound file to write; with "
                                                "--audio, the sound output if not the default."),
                                 QStringLiteral("OUT | --audio [DEVICE]"));
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    const std::optional<CompanionMachine> machine =
        CompanionNamed(parser.value(forOption).toStdString());
    if (!machine) {
        return UsageError(Command, parser.isSet(forOption)
                                       ? "--for " + parser.value(forOption).toStdString() +
                                             ": give spectrum128 or interface1"
                                       : "give --for spectrum128 or --for interface1");
    }
    if (parser.isSet(audioOption)) {
        if (parser.positionalArguments().size() > 1 || parser.isSet(forceOption)) {
            return UsageError(Command, "--audio writes no OUT; give at most a DEVICE");
        }
        return PlayThroughSoundCard(*machine, parser, audioOptions);
    }
    if (parser.positionalArguments().size() != 1) {
        return UsageError(Command, "give OUT, or --audio");
    }
    const QString outName = parser.positionalArguments()[0];
    const std::filesystem::path out = ToFsPath(outName);
    const bool force = parser.isSet(forceOption);
    const auto tape = CompanionTape(*machine);
    if (const std::optional<AudioFileType> type = AudioFileTypeOf(out)) {
        const AudioOptionsParse audio = ReadAudioOptions(parser, audioOptions);
        if (!audio.error.empty()) {
            return UsageError(Command, audio.error);
        }
        return WriteSound(tape, out, outName, *type, audio.render, force);
    }
    if (AnySet(parser, audioOptions)) {
        return UsageError(Command, "--rate, --invert and --level are for a sound file OUT "
                                   "(.wav, .flac or .csw)");
    }
    if (!IsTapPath(out)) {
        return UsageError(Command, "OUT is a .tap file or a sound file (.wav, .flac or .csw)");
    }
    return WriteTap(tape, out, outName, force);
}

} // namespace bitreel::cli
