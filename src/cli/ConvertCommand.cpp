// `bitreel convert`: Jupiter Ace TAP to JUP and back, TZX and PZX to TAP, and
// any image to sound.
#include "cli/AudioConvert.h"
#include "cli/AudioOptions.h"
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/LayoutName.h"
#include "cli/OutFile.h"
#include "cli/Paths.h"
#include "cli/RowRange.h"
#include "cli/TapeOptions.h"
#include "tape/Conversion.h"
#include "tape/TapeChoice.h"
#include "tape/TapeFile.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

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

bool WriteWhole(const std::filesystem::path& path, const QString& name, bool force,
                const std::vector<std::uint8_t>& bytes) {
    OutFile file = CreateOutFile(path, name, force);
    if (!file) {
        return false;
    }
    // Nothing kept makes an empty file; fwrite takes no null buffer, even for nothing.
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int error = errno;
    if (std::fclose(file.release()) != 0 || !written) {
        ReportError("cannot write " + Shown(name) + ": " + std::strerror(written ? errno : error));
        return false;
    }
    return true;
}

// The machine both files belong to: --machine, else the Jupiter Ace when
// --format is given or either name is a Jupiter Ace one, else the Spectrum.
TapeOptions ConvertMachine(TapeOptions options, const std::filesystem::path& in,
                           const std::filesystem::path& out) {
    if (!options.machine) {
        bool ace = options.aceFormat || ChoiceForFile(in).machine == MachineKind::JupiterAce;
        // A TZX or PZX image tells its machine itself; a file of blocks may
        // also take it from OUT's name.
        if (ImageFormatOf(in, MachineKind::Spectrum) == ImageFormat::Blocks) {
            ace = ace || ChoiceForName(out).machine == MachineKind::JupiterAce;
        }
        options.machine = ace ? MachineKind::JupiterAce : MachineKind::Spectrum;
    }
    return options;
}

// TZX or PZX to a file of blocks in the layout: every block that goes out
// as a frame, in order, as the image stores it; the others are named on
// standard error.
int ConvertImageFile(const QString& inName, const std::filesystem::path& in, MachineKind machine,
                     const QString& outName, const std::filesystem::path& out, TapeLayout layout,
                     bool force) {
    TapeImage image;
    try {
        image = TapeImage(in, machine,
                          machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap
                                                           : TapeLayout::AceJup);
    } catch (const std::system_error& error) {
        ReportError("cannot open " + Shown(inName) + ": " + error.code().message());
        return ExitUsageOrIo;
    }
    const ImageConversion converted = ConvertImage(image.IndexAll(), layout);
    // Named once OUT is written: a refused OUT converts nothing.
    if (!WriteWhole(out, outName, force, converted.bytes)) {
        return ExitUsageOrIo;
    }
    for (const std::size_t row : converted.leftOut) {
        ReportError(Shown(inName) + ": row " + RowNumberText(static_cast<long long>(row)) +
                    " left out: " + Latin1ToUtf8(image.Row(row)));
    }
    return converted.corrupt ? ExitCorrupt : ExitDone;
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
        "a stop block becomes 2 seconds of silence, and a corrupt block ends the sound."));
    AddTapeOptions(parser);
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(forceOption);
    const RowRangeOptions rowOptions = AddRowRangeOptions(parser, QStringLiteral("write"));
    const AudioOptions audioOptions = AddAudioOptions(parser);
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
    const AceConversion converted =
        from == TapeLayout::AceTap ? AceTapToJup(bytes) : JupToAceTap(bytes);
    if (!WriteWhole(out, outName, parser.isSet(forceOption), converted.bytes)) {
        return ExitUsageOrIo;
    }
    if (converted.corruptBlock) {
        ReportError(Shown(inName) + ": block " + RowNumberText(*converted.corruptBlock) +
                    " is corrupt; it and the bytes after it are left out");
        return ExitCorrupt;
    }
    if (converted.strayByte) {
        ReportError(Shown(inName) + ": the stray byte after the last block is left out");
    }
    return ExitDone;
}

} // namespace bitreel::cli
