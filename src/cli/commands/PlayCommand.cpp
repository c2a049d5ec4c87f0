// `bitreel play`: plays a tape image to the machine, on the window's engine.
#include "cli/Commands.h"
#include "cli/options/AudioOptions.h"
#include "cli/options/CommandParser.h"
#include "cli/options/PortArgument.h"
#include "cli/options/RowNumbers.h"
#include "cli/options/RowRange.h"
#include "cli/options/SpeedOption.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/Paths.h"
#include "cli/transfer/CliFrontEnd.h"
#include "cli/transfer/LineOpening.h"
#include "cli/transfer/SoundCard.h"
#include "cli/transfer/StopSignals.h"
#include "cli/transfer/WatchedPort.h"
#include "tape/TapeImage.h"
#include "tape/formats/SnapshotHook.h"
#include "transfer/AudioPlayback.h"
#include "transfer/FsPath.h"
#include "transfer/Playback.h"

#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("play");

// The exit status of a run that ended.
int PlayStatus(const TransferResult& result, bool lineFailed, const TapeImage& image) {
    switch (result.ending) {
    case TransferResult::Ending::Done:
        return ExitDone;
    case TransferResult::Ending::Stopped:
        return StoppedStatus();
    case TransferResult::Ending::Failed:
        break;
    }
    if (lineFailed) {
        return ExitPortFailed;
    }
    const bool atCorrupt =
        result.block >= 0 && static_cast<std::size_t>(result.block) < image.RowCount() &&
        image.Block(static_cast<std::size_t>(result.block)).kind == BlockKind::Corrupt;
    return atCorrupt ? ExitCorrupt : ExitUsageOrIo;
}

// A multi-load tape ends one load at a stop block: which one, and how to go on.
void ReportStopBlock(const TransferResult& result, const TapeImage& image) {
    const auto row = static_cast<std::size_t>(result.block);
    std::string text = "stopped at block " + RowNumberText(result.block) + " (" +
                       Latin1ToUtf8(image.Row(row)) + ")";
    text += result.resumeRow ? "; go on with --from " + RowNumberText(*result.resumeRow)
                             : "; nothing follows it";
    Write(stderr, text + "\n");
    std::fflush(stderr);
}

// The rows' count for the progress lines; their sizes tell nothing of their time.
std::vector<long long> RowSizes(const TapeImage& image, std::optional<int> to) {
    std::vector<long long> frameSizes;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const auto length = image.Block(row).Length();
        frameSizes.push_back(length ? *length + 2 : 0);
    }
    frameSizes.resize(
        static_cast<std::size_t>(to.value_or(static_cast<int>(image.RowCount()) - 1) + 1));
    return frameSizes;
}

// How a run ended, on standard error, and its exit status.
int Ended(const TransferResult& result, bool deviceFailed, const TapeImage& image,
          const QString& name) {
    if (result.Failed()) {
        ReportError(deviceFailed ? result.reason : Shown(name) + ": " + result.reason);
        return PlayStatus(result, deviceFailed, image);
    }
    if (result.atStopBlock) {
        ReportStopBlock(result, image);
    }
    return PlayStatus(result, false, image);
}

// Play through the sound card: the same run as over the line, to the
// machine's EAR socket.
int PlaySound(const std::string& device, const RenderOptions& sound, const PlayRequest& request,
              const TapeImage& image, const QString& name) {
    std::unique_ptr<AudioOutput> output;
    try {
        output = OpenSoundOutput(device, sound.rate);
    } catch (const AudioOutputError& error) {
        ReportError(error.what());
        return ExitPortFailed;
    }
    CatchStopSignals();
    ProgressReporter progress(stderr, IsTerminal(stderr), ProgressReporter::Counting::Sound);
    progress.PlanRows(RowSizes(image, request.lastRow));
    CliFrontEnd frontEnd(progress, RunEventsFor, [] { return std::size_t{0}; });
    frontEnd.NameRows(
        [&image](int row) { return Latin1ToUtf8(image.Row(static_cast<std::size_t>(row))); });
#ifndef _WIN32
    frontEnd.GoOnFrom(STDIN_FILENO);
#endif
    AudioPlayback playback(*output, frontEnd, frontEnd);
    const TransferResult result = playback.Run(request, sound);
    const bool deviceFailed = output->Underruns() > 0 || output->Failure().has_value();
    output.reset();
    return Ended(result, deviceFailed, image, name);
}

} // namespace

int PlayCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays FILE to the machine from row ROW to the end (or to --to): over the line, one "
        "frame per block, each byte only while the machine asserts CTS; or with --audio "
        "through the sound card to the machine's EAR socket, as its tape would sound."));
    const QCommandLineOption portOption = PortOption();
    const QCommandLineOption audioOption(
        QStringLiteral("audio"),
        QStringLiteral("Plays through the sound card: the default output, or DEVICE given "
                       "before FILE (its description or id; bitreel ports --audio lists them). "
                       "At a stop block the tape waits for Enter."));
    parser.addOption(portOption);
    const RowRangeOptions rowOptions = AddRowRangeOptions(parser, QStringLiteral("play"));
    parser.addOption(audioOption);
    const AudioOptions soundOptions =
        AddAudioOptions(parser, QStringLiteral("the sound card's sound (--audio)"));
    const QCommandLineOption speedOption = AddSpeedOption(parser);
    AddTapeOptions(parser);
    TapeOptions options;
    LineOrSound given;
    if (const auto status = ParseLineOrSoundCommand(
            parser, Command, arguments, portOption, audioOption,
            {"FILE", QStringLiteral("The tape image."), "give one FILE"}, options, given)) {
        return *status;
    }
    const bool audio = given.audio;
    if (!audio && AnySet(parser, soundOptions)) {
        return UsageError(Command, "--rate, --invert and --level are for --audio");
    }
    const AudioOptionsParse sound = ReadAudioOptions(parser, soundOptions);
    if (!sound.error.empty()) {
        return UsageError(Command, sound.error);
    }
    const QString name = given.name;
    const std::filesystem::path path = ToFsPath(name);
    TapeChoice choice;
    if (const auto status = ChooseForTape(parser, Command, options, name, speedOption, choice)) {
        return *status;
    }
    // The fast blocks are pulses the machine's EAR socket times, no frames.
    if (!audio && IsSnapshotPath(path)) {
        return UsageError(Command, Shown(name) +
                                       " is a snapshot: it plays through the sound card only "
                                       "(--audio), since its fast blocks are no frames the line "
                                       "sends");
    }

    // Listed first, as the window lists a file before it plays it: the rows
    // give the progress its totals and tell a corrupt block from a failure.
    TapeImage image;
    try {
        image = TapeImage(path, choice.machine, choice.layout);
        image.IndexAll();
    } catch (const std::system_error& error) {
        ReportError("cannot open " + Shown(name) + ": " + ReadFailureText(error));
        return ExitUsageOrIo;
    }
    const auto rows = static_cast<int>(image.RowCount());
    const RowRange range = ReadRowRange(parser, rowOptions, Shown(name), image.RowCount());
    if (!range.error.empty()) {
        return UsageError(Command, range.error);
    }
    const auto from = static_cast<int>(range.from);
    std::optional<int> to;
    if (range.to) {
        to = static_cast<int>(*range.to);
    }

    PlayRequest request;
    request.file = path;
    request.layout = choice.layout;
    request.startRow = from;
    request.lastRow = to;
    request.rowCount = rows;
    if (audio) {
        return PlaySound(given.device, sound.render, request, image, name);
    }

    int status = ExitDone;
    const std::unique_ptr<SystemPort> port = OpenLine(Command, parser.value(portOption), status);
    if (!port) {
        return status;
    }
    CatchStopSignals();

    ProgressReporter progress(stderr, IsTerminal(stderr), ProgressReporter::Counting::Play);
    progress.PlanRows(RowSizes(image, to));

    WatchedPort line(*port);
    bool waitFailed = false;
    CliFrontEnd frontEnd(progress, WaitOnPort(*port, false, waitFailed),
                         [&] { return line.PendingOutput(); });
    Playback playback(line, frontEnd);
    const TransferResult result = playback.Run(request);

    if (result.ending == TransferResult::Ending::Stopped) {
        port->Close(); // what waits is discarded
    } else {
        // Every block that went out whole reaches the far end, also before
        // a corrupt block.
        port->CloseKeepingOutput();
    }
    return Ended(result, line.Failed() || waitFailed, image, name);
}

} // namespace bitreel::cli
