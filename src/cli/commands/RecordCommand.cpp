// `bitreel record`: records the frames the machine sends, on the window's
// engine, or with --audio the blocks the sound input hears.
#include "cli/Commands.h"
#include "cli/options/CommandParser.h"
#include "cli/options/PortArgument.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "cli/transfer/CliFrontEnd.h"
#include "cli/transfer/LineOpening.h"
#include "cli/transfer/SoundCard.h"
#include "cli/transfer/StopSignals.h"
#include "cli/transfer/WatchedPort.h"
#include "signal/render/RenderOptions.h"
#include "tape/formats/RecordingHook.h"
#include "tape/formats/SnapshotHook.h"
#include "transfer/AudioRecording.h"
#include "transfer/FsPath.h"
#include "transfer/Recording.h"
#include "transfer/TransferSteps.h"

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

// How a recording that ended without a failure exits: stopped by a signal,
// or done.
int EndedStatus(const CliFrontEnd& frontEnd) {
    const bool interrupted = frontEnd.Cause() == CliFrontEnd::StopCause::Signal || StopSignalled();
    return interrupted ? StoppedStatus() : ExitDone;
}

// "block 3", "blocks 3 and 5", "blocks 3, 5 and 9", counted from 1.
std::string BlocksText(const std::vector<int>& rows) {
    std::string text = rows.size() == 1 ? "block " : "blocks ";
    for (std::size_t k = 0; k < rows.size(); ++k) {
        text += (k == 0 ? "" : k + 1 == rows.size() ? " and " : ", ") + RowNumberText(rows[k]);
    }
    return text;
}

// Says which blocks were written damaged, and where the recording is when
// its file was removed or replaced meanwhile. The status that tells a
// script so: 1 when the recording is not under the name given, 2 for a
// damaged block.
int WrittenStatus(const TransferResult& result) {
    int status = ExitDone;
    if (!result.damaged.empty()) {
        ReportError(BlocksText(result.damaged) + " written damaged");
        status = ExitCorrupt;
    }
    if (result.moved) {
        ReportError(MovedText(*result.moved, result.file));
        if (result.file != result.moved->from) {
            status = ExitUsageOrIo;
        }
    }
    return status;
}

// A recording's status: a signal's, else what its file says, else 2 when
// the limits ended it in the middle of a block (the tape lacks that block).
int RecordedStatus(const CliFrontEnd& frontEnd, const TransferResult& result) {
    const int written = WrittenStatus(result);
    if (const int ended = EndedStatus(frontEnd); ended != ExitDone) {
        return ended;
    }
    if (written != ExitDone) {
        return written;
    }
    return result.cutShort ? ExitCorrupt : ExitDone;
}

// What a file of blocks leaves out of a recording, or a TZX keeps as sound.
void ReportLeftOut(const AudioRecording& recording, bool tzx, const QString& name) {
    if (recording.Stretches() > 0) {
        const std::string stretches = std::to_string(recording.Stretches()) + " stretch" +
                                      (recording.Stretches() == 1 ? "" : "es") +
                                      " of sound not understood";
        Write(stderr, tzx ? stretches + " kept in " + Shown(name) + " as direct recordings\n"
                          : stretches + " left out of " + Shown(name) +
                                "; record to a .tzx file to keep them\n");
    }
    if (recording.TooLong() > 0) {
        ReportError(std::to_string(recording.TooLong()) +
                    " block(s) longer than 65535 bytes left out; record to a .tzx file to keep "
                    "them");
    }
}

struct SoundRecordRequest {
    std::string device;
    QString name;
    AudioRecordingRequest recording;
    std::optional<int> blockLimit;
    std::optional<std::chrono::milliseconds> idle;
};

// Record through the sound card: the blocks decoded from what the input
// hears, listed as they end.
int RecordSound(const SoundRecordRequest& request) {
    std::unique_ptr<AudioInput> input;
    try {
        input = OpenSoundInput(request.device, DefaultSampleRate);
    } catch (const AudioInputError& error) {
        ReportError(error.what());
        return ExitPortFailed;
    }
    CatchStopSignals();
    ProgressReporter progress(stderr, IsTerminal(stderr), ProgressReporter::Counting::Sound);
    if (request.blockLimit) {
        progress.PlanBlocks(*request.blockLimit);
    }
    CliFrontEnd frontEnd(progress, RunEventsFor, [] { return std::size_t{0}; });
    if (request.blockLimit) {
        frontEnd.StopAfterBlocks(*request.blockLimit);
    }
    if (request.idle) {
        frontEnd.StopWhenIdle(*request.idle);
    }
    const std::string from = request.device.empty() ? "the default sound input" : request.device;
    frontEnd.AnnounceReceiving("Recording from " + from + " into " + Shown(request.name) +
                               "; Ctrl-C ends it");
    AudioRecording recording(*input, frontEnd, frontEnd);
    const TransferResult result = recording.Run(request.recording);
    input.reset();
    ReportLeftOut(recording, request.recording.tzx, request.name);
    if (result.Failed()) {
        static_cast<void>(WrittenStatus(result));
        ReportError(result.reason);
        return recording.InputFailed() ? ExitPortFailed : ExitUsageOrIo;
    }
    return RecordedStatus(frontEnd, result);
}

} // namespace

int RecordCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records the frames the machine sends into the new tape image OUT and "
                       "prints each block's row as it arrives; with --audio, the blocks read "
                       "from the sound input as they end (OUT.tzx keeps their timings and the "
                       "sound not understood). Ends on Ctrl-C, after N blocks, or after SECONDS "
                       "without a byte (or a sound) once a block has arrived."));
    const QCommandLineOption portOption = PortOption();
    const QCommandLineOption blocksOption(
        QStringLiteral("blocks"), QStringLiteral("End after N blocks."), QStringLiteral("N"));
    const QCommandLineOption idleOption(
        QStringLiteral("idle"),
        QStringLiteral("End after SECONDS without a byte, once a block has arrived."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption forceOption = ForceOption();
    const QCommandLineOption audioOption(
        QStringLiteral("audio"),
        QStringLiteral("Record from the sound input DEVICE, given before OUT (its description "
                       "or id; bitreel ports --audio lists them), or the default one."));
    parser.addOption(portOption);
    parser.addOption(audioOption);
    AddTapeOptions(parser);
    parser.addOption(blocksOption);
    parser.addOption(idleOption);
    parser.addOption(forceOption);
    TapeOptions options;
    LineOrSound given;
    if (const auto status = ParseLineOrSoundCommand(
            parser, Command, arguments, portOption, audioOption,
            {"OUT", QStringLiteral("The new tape image."), "give one OUT file"}, options, given)) {
        return *status;
    }
    const bool audio = given.audio;
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
    const QString name = given.name;
    const std::filesystem::path path = std::filesystem::absolute(ToFsPath(name));
    const TapeChoice choice = ChooseFor(options, path);
    const ImageFormat format = ImageFormatOf(path, choice.machine);
    if ((audio && (IsRecordingPath(path) || format == ImageFormat::Pzx)) || IsSnapshotPath(path)) {
        return UsageError(Command, Shown(name) + ": record into a .tzx, .tap or .jup file");
    }

    if (!MayCreateOutFile(path, name, parser.isSet(forceOption))) {
        return ExitUsageOrIo;
    }
    if (audio) {
        SoundRecordRequest request;
        request.device = given.device;
        request.name = name;
        request.recording.machine = choice.machine;
        request.recording.tzx = format == ImageFormat::Tzx;
        request.recording.layout = choice.layout;
        request.recording.output = path;
        request.recording.existing =
            parser.isSet(forceOption) ? ExistingFile::Replace : ExistingFile::Keep;
        request.blockLimit = blockLimit;
        request.idle = idle;
        return RecordSound(request);
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
    Recording recording(line, frontEnd, frontEnd, out);
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
        static_cast<void>(WrittenStatus(result));
        ReportError(result.reason);
        return line.Failed() || waitFailed ? ExitPortFailed : ExitUsageOrIo;
    }
    return RecordedStatus(frontEnd, result);
}

} // namespace bitreel::cli
