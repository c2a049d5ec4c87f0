// `bitreel record`: records the frames the machine sends, on the window's engine.
#include "cli/CliFrontEnd.h"
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/LineOpening.h"
#include "cli/OutFile.h"
#include "cli/Paths.h"
#include "cli/PortArgument.h"
#include "cli/StopSignals.h"
#include "cli/TapeOptions.h"
#include "cli/WatchedPort.h"
#include "transfer/FsPath.h"
#include "transfer/Recording.h"

#include <cmath>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("record");

// The file a recording goes to is named on the command line: no dialog.
class NamedFile final : public RecordFileDialog {
public:
    explicit NamedFile(std::filesystem::path path) : path_(std::move(path)) {}
    std::optional<std::filesystem::path> Ask(const RecordDialogRequest&) override { return path_; }

private:
    std::filesystem::path path_;
};

// "block 5 cut short after 100 of 65535 bytes; not written": the frame's
// body as its length field counts it.
std::string CutShortText(int row, const FramePart& part) {
    const std::string block = "block " + RowNumberText(row) + " cut short ";
    if (!part.length) {
        return block + "in its length field; not written";
    }
    return block + "after " + std::to_string(part.received) + " of " +
           std::to_string(*part.length) + " bytes; not written";
}

} // namespace

int RecordCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records the frames the machine sends into the new tape image OUT and "
                       "prints each block's row as it arrives. Ends on Ctrl-C, after N blocks, "
                       "or after SECONDS without a byte once a block has arrived."));
    const QCommandLineOption portOption = PortOption();
    const QCommandLineOption blocksOption(
        QStringLiteral("blocks"), QStringLiteral("End after N blocks."), QStringLiteral("N"));
    const QCommandLineOption idleOption(
        QStringLiteral("idle"),
        QStringLiteral("End after SECONDS without a byte, once a block has arrived."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(portOption);
    AddTapeOptions(parser);
    parser.addOption(blocksOption);
    parser.addOption(idleOption);
    parser.addOption(forceOption);
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("The new tape image."));
    TapeOptions options;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, options,
                                             FileArguments{1, "give one OUT file"})) {
        return *status;
    }
    std::optional<int> blockLimit;
    if (parser.isSet(blocksOption)) {
        bool ok = false;
        blockLimit = parser.value(blocksOption).toInt(&ok);
        if (!ok || *blockLimit < 1) {
            return UsageError(Command, "--blocks " + parser.value(blocksOption).toStdString() +
                                           ": give a whole number of at least 1");
        }
    }
    std::optional<std::chrono::milliseconds> idle;
    if (parser.isSet(idleOption)) {
        bool ok = false;
        const double seconds = parser.value(idleOption).toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 1e6) {
            return UsageError(Command, "--idle " + parser.value(idleOption).toStdString() +
                                           ": give a number of seconds above 0");
        }
        idle = std::chrono::milliseconds(std::llround(seconds * 1000));
    }
    const QString name = parser.positionalArguments().front();
    const std::filesystem::path path = std::filesystem::absolute(ToFsPath(name));
    const TapeChoice choice = ChooseFor(options, path);

    if (!MayCreateOutFile(path, name, parser.isSet(forceOption))) {
        return ExitUsageOrIo;
    }
    int status = ExitDone;
    const std::unique_ptr<SystemPort> port = OpenLine(Command, parser.value(portOption), status);
    if (!port) {
        return status;
    }
    CatchStopSignals();

    ProgressReporter progress(stderr, IsTerminal(stderr), ProgressReporter::Counting::Record);
    if (blockLimit) {
        progress.PlanBlocks(*blockLimit);
    }
    WatchedPort line(*port);
    bool waitFailed = false;
    // DTR tells the machine that we read: it stays raised while the
    // recording waits for the machine's bytes.
    CliFrontEnd frontEnd(progress, WaitOnPort(*port, true, waitFailed),
                         [] { return std::size_t{0}; });
    if (blockLimit) {
        frontEnd.StopAfterBlocks(*blockLimit);
    }
    if (idle) {
        frontEnd.StopWhenIdle(*idle);
    }
    frontEnd.AnnounceReceiving("Recording from " + parser.value(portOption).toStdString() +
                               " into " + Shown(name) + "; Ctrl-C ends it");

    NamedFile out(path);
    Recording recording(line, frontEnd, out);
    RecordingRequest request;
    request.machine = choice.machine;
    request.layout = choice.layout;
    request.dialogFolder = path.parent_path();
    // The name as given: a script looks for the file under it.
    request.keepChosenName = true;
    request.existing = parser.isSet(forceOption) ? ExistingFile::Replace : ExistingFile::Keep;
    const TransferResult result = recording.Run(request);

    port->Close();
    if (result.cutShort) {
        ReportError(CutShortText(result.block, *result.cutShort));
    }
    if (result.Failed()) {
        ReportError(result.reason);
        return line.Failed() || waitFailed ? ExitPortFailed : ExitUsageOrIo;
    }
    const bool interrupted = frontEnd.Cause() == CliFrontEnd::StopCause::Signal || StopSignalled();
    if (interrupted) {
        return StoppedStatus();
    }
    // The limits end a recording that the machine left in the middle of a
    // block: the tape it made lacks that block.
    return result.cutShort ? ExitCorrupt : ExitDone;
}

} // namespace bitreel::cli
