// `bitreel convert`: Jupiter Ace TAP to JUP and back, TZX and PZX to TAP, and
// any image to sound.
#include "cli/Commands.h"
#include "cli/commands/AudioConvert.h"
#include "cli/options/AudioOptions.h"
#include "cli/options/CommandParser.h"
#include "cli/options/LayoutName.h"
#include "cli/options/RowRange.h"
#include "cli/options/SpeedOption.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "tape/Conversion.h"
#include "tape/TapeChoice.h"
#include "tape/TapeFile.h"
#include "tape/TapeImage.h"
#include "tape/formats/RecordingHook.h"
#include "tape/formats/SnapshotHook.h"
#include "tape/formats/TzxReader.h"
#include "transfer/FsPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("convert");

bool ReadWhole(const std::filesystem::path& path, const QString& name,
               std::vector<std::uint8_t>& bytes) {
    try {
        bytes = ReadWholeFile(path, TapeImage::MaxFileSize);
    } catch (const std::system_error& error) {
        ReportFileError(Shown(name), path, error);
        return false;
    }
    return true;
}

// The names of the files convert writes: the layouts of blocks and sound,
// and the TZX of a recording's blocks.
constexpr std::string_view Written = ".tap, .jup, .dic, .byt, .wav, .flac or .csw files (and "
                                     ".tzx from a recording or a snapshot)";

// A recording or a snapshot opens as a TZX image, which convert writes as
// it stands.
bool ImageIsTzx(const std::filesystem::path& in) {
    return IsRecordingPath(in) || IsSnapshotPath(in);
}

bool WritesTo(const std::filesystem::path& in, const std::filesystem::path& out) {
    const std::string extension = UpperExtension(out);
    if (extension == ".TZX" && ImageIsTzx(in)) {
        return true;
    }
    for (const char* known : {".TAP", ".JUP", ".DIC", ".BYT"}) {
        if (extension == known) {
            return true;
        }
    }
    return AudioFileTypeOf(out).has_value();
}

// A conversion that could read no block writes no file: OUT, if there is
// one, stays as it was.
int NothingConverted(const QString& inName) {
    ReportError(Shown(inName) + ": its first block is corrupt; nothing is written");
    return ExitCorrupt;
}

// A tape of one machine has no layout of the other's: refused, saying why.
std::optional<int> RefuseOtherMachine(const QString& inName, MachineKind held, MachineKind wanted) {
    if (held == wanted) {
        return std::nullopt;
    }
    return UsageError(Command,
                      Shown(inName) + (held == MachineKind::Spectrum
                                           ? " holds a Spectrum tape: it does not become a "
                                             "Jupiter Ace layout (JUP or Ace TAP)"
                                           : " holds a Jupiter Ace tape: it does not become a "
                                             "Spectrum TAP"));
}

// The machine both files belong to: --machine, else the Jupiter Ace when
// --format is given or either name is a Jupiter Ace one, else the Spectrum.
TapeOptions ConvertMachine(TapeOptions options, const std::filesystem::path& in,
                           const std::filesystem::path& out) {
    if (!options.machine) {
        bool ace = options.aceFormat || ChoiceForFile(in).machine == MachineKind::JupiterAce;
        // A TZX or PZX image tells its machine itself; a file of blocks or a
        // recording may also take it from OUT's name.
        if (ImageFormatOf(in, MachineKind::Spectrum) == ImageFormat::Blocks ||
            IsRecordingPath(in)) {
            ace = ace || ChoiceForName(out).machine == MachineKind::JupiterAce;
        }
        options.machine = ace ? MachineKind::JupiterAce : MachineKind::Spectrum;
    }
    return options;
}

// A TZX, PZX or recording opened as an image read by its own reader; the
// layout only names the machine's. None, said why as a file of blocks that
// cannot be read is (ReportFileError), when it cannot be.
std::optional<TapeImage> OpenImage(const QString& inName, const std::filesystem::path& in,
                                   MachineKind machine) {
    try {
        return TapeImage(in, machine,
                         machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap
                                                          : TapeLayout::AceJup);
    } catch (const std::system_error& error) {
        ReportFileError(Shown(inName), in, error);
        return std::nullopt;
    }
}

// What is said of each row written damaged, by row; allKept (a TZX keeps
// every row) adds the damaged blocks no frame holds.
std::vector<std::pair<std::size_t, std::string>>
DamagedLines(const TapeImage& image, const ImageConversion& converted, bool allKept) {
    std::vector<std::pair<std::size_t, std::string>> lines;
    for (const DamagedRow& damaged : converted.damaged) {
        if (!damaged.sent && !allKept) {
            continue; // left out, and said so
        }
        lines.emplace_back(damaged.row,
                           " written damaged: " + Latin1ToUtf8(image.Row(damaged.row)) +
                               (damaged.note.empty() ? "" : "; " + Latin1ToUtf8(damaged.note)));
    }
    return lines;
}

// "GAME.TZX: row 5 ...", one line a row.
void ReportRows(const QString& inName,
                const std::vector<std::pair<std::size_t, std::string>>& lines) {
    for (const auto& [row, text] : lines) {
        ReportError(Shown(inName) + ": row " + RowNumberText(static_cast<long long>(row)) + text);
    }
}

// TZX or PZX to a file of blocks in the layout: every block that goes out
// as a frame, in order, as the image stores it; the others are named on
// standard error.
int ConvertImageFile(const QString& inName, const std::filesystem::path& in, MachineKind machine,
                     const QString& outName, const std::filesystem::path& out, TapeLayout layout,
                     bool force) {
    std::optional<TapeImage> opened = OpenImage(inName, in, machine);
    if (!opened) {
        return ExitUsageOrIo;
    }
    TapeImage& image = *opened;
    if (image.Format() == ImageFormat::Tzx) {
        if (const auto ace = TzxReader::IsJupiterAceTape(image.Bytes())) {
            if (const auto refused = RefuseOtherMachine(
                    inName, *ace ? MachineKind::JupiterAce : MachineKind::Spectrum, machine)) {
                return *refused;
            }
        }
    }
    const ImageConversion converted = ConvertImage(image.IndexAll(), layout);
    // The rows left out and those written damaged, in the image's order.
    std::vector<std::pair<std::size_t, std::string>> said = DamagedLines(image, converted, false);
    for (const std::size_t row : converted.leftOut) {
        said.emplace_back(row, " left out: " + Latin1ToUtf8(image.Row(row)));
    }
    std::sort(said.begin(), said.end());
    if (converted.bytes.empty()) {
        if (converted.corrupt) {
            return NothingConverted(inName);
        }
        // Blocks the layout cannot carry are still blocks: named, not denied.
        if (said.empty()) {
            return NoBlockToWrite(inName);
        }
        ReportRows(inName, said);
        ReportError(Shown(inName) + " holds no block a " +
                    (layout == TapeLayout::AceJup ? "JUP" : "TAP") +
                    " file can hold; nothing is written");
        return ExitCorrupt;
    }
    // Named once OUT is written: a refused OUT converts nothing.
    if (!WriteOutFile(out, outName, force, converted.bytes)) {
        return ExitUsageOrIo;
    }
    ReportRows(inName, said);
    const bool damagedSent = std::ranges::any_of(converted.damaged, &DamagedRow::sent);
    return converted.corrupt || damagedSent ? ExitCorrupt : ExitDone;
}

// A recording's image is the TZX of the blocks read from it, written as it
// stands: measured timings, bytes as read, stretches as direct recordings. Its
// damaged blocks are said as a file of blocks says them. A snapshot's is
// the tape that loads it: the bootstrap's standard blocks, then the fast
// blocks with their exact timings.
int ConvertImageToTzx(const QString& inName, const std::filesystem::path& in, MachineKind machine,
                      const QString& outName, const std::filesystem::path& out, bool force) {
    std::optional<TapeImage> image = OpenImage(inName, in, machine);
    if (!image) {
        return ExitUsageOrIo;
    }
    const auto bytes = image->Bytes();
    if (!WriteOutFile(out, outName, force, {bytes.begin(), bytes.end()})) {
        return ExitUsageOrIo;
    }
    const ImageConversion blocks = ConvertImage(image->IndexAll(), TapeLayout::SpectrumTap);
    ReportRows(inName, DamagedLines(*image, blocks, true));
    return blocks.damaged.empty() ? ExitDone : ExitCorrupt;
}

} // namespace

int ConvertCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts a Jupiter Ace TAP file to JUP and back: the flag byte is added or dropped, by "
        "the extension of OUT and --format. A TAP file converted to JUP and back is "
        "byte-identical. TZX and PZX images convert to TAP, a Jupiter Ace TZX image to JUP or "
        "TAP, with the bytes the image stores: the blocks that cannot be sent are left out and "
        "named on standard error. Any image converts to a sound file by the extension of OUT "
        "(.wav, .flac or .csw), as the machine's EAR socket would hear it from --from to --to; "
        "a stop block becomes 2 seconds of silence, and a corrupt block ends the sound. A snapshot "
        "(.z80, .sna, .szx) converts to the tape that loads it, as sound or as a TZX image, at "
        "--speed; it has no TAP form."));
    AddTapeOptions(parser);
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(forceOption);
    const RowRangeOptions rowOptions = AddRowRangeOptions(parser, QStringLiteral("write"));
    const AudioOptions audioOptions = AddAudioOptions(parser, QStringLiteral("a sound file OUT"));
    const QCommandLineOption speedOption = AddSpeedOption(parser);
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("The tape image to read."));
    parser.addPositionalArgument(QStringLiteral("OUT"),
                                 QStringLiteral("The tape image or sound file to write."));
    TapeOptions given;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, given,
                                             FileArguments{2, "give IN and OUT"})) {
        return *status;
    }
    const QString inName = parser.positionalArguments()[0];
    const QString outName = parser.positionalArguments()[1];
    const std::filesystem::path in = ToFsPath(inName);
    const std::filesystem::path out = ToFsPath(outName);
    if (std::error_code ignored; std::filesystem::is_directory(in, ignored)) {
        ReportError("cannot open " + Shown(inName) + ": Is a directory");
        return ExitUsageOrIo;
    }
    if (const std::string error = UseSpeedOption(parser, speedOption, {&in, 1}); !error.empty()) {
        return UsageError(Command, error);
    }
    if (IsSnapshotPath(in) && ImageFormatOf(out, MachineKind::Spectrum) == ImageFormat::Blocks &&
        !AudioFileTypeOf(out)) {
        return UsageError(Command, "a snapshot converts to .tzx or to sound (.wav, .flac or "
                                   ".csw): its fast blocks have no TAP form");
    }
    if (!WritesTo(in, out)) {
        return UsageError(Command, "cannot write " + Shown(outName) + ": convert writes " +
                                       std::string(Written));
    }
    if (const std::optional<AudioFileType> type = AudioFileTypeOf(out)) {
        const AudioOptionsParse audio = ReadAudioOptions(parser, audioOptions);
        if (!audio.error.empty()) {
            return UsageError(Command, audio.error);
        }
        const AudioConversion conversion{
            inName, in,    ChooseFor(given, in), outName,
            out,    *type, audio.render,         parser.isSet(forceOption)};
        return ConvertToAudio(Command, conversion, parser, rowOptions);
    }
    if (AnySet(parser, audioOptions) || parser.isSet(rowOptions.from) ||
        parser.isSet(rowOptions.to)) {
        return UsageError(Command, "--from, --to, --rate, --invert and --level are for a sound "
                                   "file OUT (.wav, .flac or .csw)");
    }
    const TapeOptions options = ConvertMachine(given, in, out);
    const MachineKind machine = *options.machine;
    if (ImageIsTzx(in) && UpperExtension(out) == ".TZX") {
        if (const auto why = NotForMachine({machine, TapeLayout::AceJup}, in)) {
            return UsageError(Command, Shown(inName) + ": " + *why);
        }
        return ConvertImageToTzx(inName, in, machine, outName, out, parser.isSet(forceOption));
    }
    if (ImageFormatOf(in, machine) != ImageFormat::Blocks) {
        if (machine == MachineKind::Spectrum) {
            if (ImageFormatOf(out, machine) != ImageFormat::Blocks ||
                ChoiceForName(out).machine != MachineKind::Spectrum) {
                return UsageError(Command, "a TZX or PZX image converts to a TAP file only");
            }
            return ConvertImageFile(inName, in, machine, outName, out, TapeLayout::SpectrumTap,
                                    parser.isSet(forceOption));
        }
        if (ImageFormatOf(out, machine) != ImageFormat::Blocks) {
            return UsageError(Command,
                              "a Jupiter Ace TZX image converts to a JUP or TAP file only");
        }
        return ConvertImageFile(inName, in, machine, outName, out, ChooseFor(options, out).layout,
                                parser.isSet(forceOption));
    }

    // --format names the layout of OUT; IN is read by its own name.
    TapeOptions inOptions = options;
    inOptions.aceFormat.reset();
    const TapeLayout from = ChooseFor(inOptions, in).layout;
    const TapeLayout to = ChooseFor(options, out).layout;
    if (from == to) {
        return UsageError(Command, Shown(inName) + " and " + Shown(outName) + " are both " +
                                       std::string(LayoutName(from)) + ": nothing to convert");
    }
    if (from == TapeLayout::SpectrumTap || to == TapeLayout::SpectrumTap) {
        return UsageError(Command, "a Spectrum TAP file has no other layout to convert to");
    }
    std::error_code ignored;
    if (std::filesystem::equivalent(in, out, ignored)) {
        return UsageError(Command, "IN and OUT are the same file");
    }

    std::vector<std::uint8_t> bytes;
    if (!ReadWhole(in, inName, bytes)) {
        return ExitUsageOrIo;
    }
    if (const auto held = MachineOfBlocks(bytes)) {
        if (const auto refused = RefuseOtherMachine(inName, *held, MachineKind::JupiterAce)) {
            return *refused;
        }
    }
    const AceConversion converted =
        from == TapeLayout::AceTap ? AceTapToJup(bytes) : JupToAceTap(bytes);
    if (converted.blocks == 0) {
        return converted.corruptBlock ? NothingConverted(inName) : NoBlockToWrite(inName);
    }
    if (!WriteOutFile(out, outName, parser.isSet(forceOption), converted.bytes)) {
        return ExitUsageOrIo;
    }
    for (const int block : converted.damaged) {
        ReportError(Shown(inName) + ": block " + RowNumberText(block) +
                    " written damaged: its checksum fits no rule");
    }
    if (converted.corruptBlock) {
        ReportError(Shown(inName) + ": block " + RowNumberText(*converted.corruptBlock) +
                    " is corrupt; it and the bytes after it are left out");
        return ExitCorrupt;
    }
    if (converted.strayByte) {
        ReportError(Shown(inName) + ": the stray byte after the last block is left out");
    }
    return converted.damaged.empty() ? ExitDone : ExitCorrupt;
}

} // namespace bitreel::cli
