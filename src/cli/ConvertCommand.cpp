// `bitreel convert`: Jupiter Ace TAP to JUP and back.
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/LayoutName.h"
#include "cli/OutFile.h"
#include "cli/Paths.h"
#include "cli/TapeOptions.h"
#include "tape/AceConversion.h"
#include "tape/ImageReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("convert");

bool ReadWhole(const std::filesystem::path& path, const QString& name,
               std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReportError("cannot open " + Shown(name) + ": " + std::strerror(errno));
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        ReportError("cannot read " + Shown(name) + ": " + std::strerror(errno));
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
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
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
        const bool ace = options.aceFormat ||
                         ChoiceForName(in).machine == MachineKind::JupiterAce ||
                         ChoiceForName(out).machine == MachineKind::JupiterAce;
        options.machine = ace ? MachineKind::JupiterAce : MachineKind::Spectrum;
    }
    return options;
}

// The frame as the image stores it: a checksum the reader replaced because
// it also covers the flag is put back, so that the TAP file holds the bytes
// that were saved.
void PutStoredFrame(const TapeBlock& block, std::vector<std::uint8_t>& out) {
    out.insert(out.end(), block.Bytes.begin(), block.Bytes.end());
    if (block.Verdict == ChecksumVerdict::Replaced && block.Bytes.size() >= 4) {
        out.back() ^= block.Bytes[2];
    }
}

// TZX or PZX to TAP: every block that goes out as a frame, in order; the
// others are named on standard error.
int ConvertImage(const QString& inName, const std::filesystem::path& in, const QString& outName,
                 const std::filesystem::path& out, bool force) {
    std::optional<TapeEntries> entries;
    try {
        entries = LoadTapeEntries(in, MachineKind::Spectrum, FrameUse::Keep);
    } catch (const std::system_error& error) {
        ReportError("cannot open " + Shown(inName) + ": " + error.code().message());
        return ExitUsageOrIo;
    }
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> notes; // said once OUT is written
    bool corrupt = false;
    for (std::size_t row = 0; row < entries->size(); ++row) {
        const TapeEntry& entry = (*entries)[row];
        if (entry.Kind == EntryKind::Frame) {
            PutStoredFrame(entry.Block, bytes);
            if (entry.Block.Verdict == ChecksumVerdict::Damaged) {
                notes.push_back(Shown(inName) + ": row " + std::to_string(row) +
                                " has a damaged checksum; the TAP block has the payload's XOR");
            }
            continue;
        }
        corrupt = corrupt || entry.Kind == EntryKind::Corrupt;
        notes.push_back(Shown(inName) + ": row " + std::to_string(row) +
                        " left out: " + Latin1ToUtf8(entry.Row));
    }
    if (!WriteWhole(out, outName, force, bytes)) {
        return ExitUsageOrIo;
    }
    for (const std::string& note : notes) {
        ReportError(note);
    }
    return corrupt ? ExitCorrupt : ExitDone;
}

} // namespace

int ConvertCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts a Jupiter Ace TAP file to JUP and back: the flag byte is added or dropped, by "
        "the extension of OUT and --format. A TAP file converted to JUP and back is "
        "byte-identical. TZX and PZX images convert to TAP: the blocks that cannot be sent are "
        "left out and named on standard error."));
    AddTapeOptions(parser);
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Overwrite an existing OUT."));
    parser.addOption(forceOption);
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("The tape image to read."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("The tape image to write."));
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    const TapeOptionsParse parsed = ReadTapeOptions(parser);
    if (!parsed.error.empty()) {
        return UsageError(Command, parsed.error);
    }
    if (parser.positionalArguments().size() != 2) {
        return UsageError(Command, "give IN and OUT");
    }
    const QString inName = parser.positionalArguments()[0];
    const QString outName = parser.positionalArguments()[1];
    const std::filesystem::path in = ToPath(inName);
    const std::filesystem::path out = ToPath(outName);
    if (parsed.options.machine != MachineKind::JupiterAce && !parsed.options.aceFormat) {
        if (ImageFormatOf(in, MachineKind::Spectrum)) {
            if (ImageFormatOf(out, MachineKind::Spectrum) ||
                ChoiceForName(out).machine != MachineKind::Spectrum) {
                return UsageError(Command, "a TZX or PZX image converts to a TAP file only");
            }
            return ConvertImage(inName, in, outName, out, parser.isSet(forceOption));
        }
    }
    const TapeOptions options = ConvertMachine(parsed.options, in, out);

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
        ReportError(Shown(inName) + ": block " + std::to_string(*converted.corruptBlock) +
                    " is corrupt; it and the bytes after it are left out");
        return ExitCorrupt;
    }
    if (converted.strayByte) {
        ReportError(Shown(inName) + ": the stray byte after the last block is left out");
    }
    return ExitDone;
}

} // namespace bitreel::cli
