// `bitreel play`: plays a tape image to the machine, on the window's engine.
#include "cli/CliFrontEnd.h"
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/LineOpening.h"
#include "cli/Paths.h"
#include "cli/PortArgument.h"
#include "cli/RowNumbers.h"
#include "cli/RowRange.h"
#include "cli/StopSignals.h"
#include "cli/TapeOptions.h"
#include "cli/WatchedPort.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"
#include "transfer/Playback.h"

#include <system_error>

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

} // namespace

int PlayCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays FILE to the machine from row ROW to the end (or to --to), one "
                       "frame per block, each byte only while the machine asserts CTS."));
    const QCommandLineOption portOption = PortOption();
    parser.addOption(portOption);
    const RowRangeOptions rowOptions = AddRowRangeOptions(parser, QStringLiteral("play"));
    AddTapeOptions(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The tape image."));
    TapeOptions options;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, options,
                                             FileArguments{1, "give one FILE"})) {
        return *status;
    }
    const QString name = parser.positionalArguments().front();
    const std::filesystem::path path = ToFsPath(name);
    const TapeChoice choice = ChooseFor(options, path);

    // Listed first, as the window lists a file before it plays it: the rows
    // give the progress its totals and tell a corrupt block from a failure.
    TapeImage image;
    try {
        image = TapeImage(path, choice.machine, choice.layout);
        image.IndexAll();
    } catch (const std::system_error& error) {
        ReportError("cannot open " + Shown(name) + ": " + error.code().message());
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

    int status = ExitDone;
    const std::unique_ptr<SystemPort> port = OpenLine(Command, parser.value(portOption), status);
    if (!port) {
        return status;
    }
    CatchStopSignals();

    std::vector<long long> frameSizes;
    for (std::size_t row = 0; row < image.RowCount(); ++row) {
        const auto length = image.Block(row).Length();
        frameSizes.push_back(length ? *length + 2 : 0);
    }
    frameSizes.resize(static_cast<std::size_t>(to.value_or(rows - 1) + 1));
    ProgressReporter progress(stderr, IsTerminal(stderr), ProgressReporter::Counting::Play);
    progress.PlanRows(std::move(frameSizes));

    WatchedPort line(*port);
    bool waitFailed = false;
    CliFrontEnd frontEnd(progress, WaitOnPort(*port, false, waitFailed),
                         [&] { return line.PendingOutput(); });
    Playback playback(line, frontEnd);

    PlayRequest request;
    request.file = path;
    request.layout = choice.layout;
    request.startRow = from;
    request.lastRow = to;
    request.rowCount = rows;
    const TransferResult result = playback.Run(request);

    if (result.ending == TransferResult::Ending::Stopped) {
        port->Close(); // what waits is discarded
    } else {
        // Every block that went out whole reaches the far end, also before
        // a corrupt block.
        port->CloseKeepingOutput();
    }
    if (result.Failed()) {
        const bool lineFailed = line.Failed() || waitFailed;
        ReportError(lineFailed ? result.reason : Shown(name) + ": " + result.reason);
        return PlayStatus(result, lineFailed, image);
    }
    if (result.atStopBlock) {
        ReportStopBlock(result, image);
    }
    return PlayStatus(result, false, image);
}

} // namespace bitreel::cli
