// `bitreel list`: the rows the window would list, as text or JSON.
#include "cli/Commands.h"
#include "cli/options/CommandParser.h"
#include "cli/options/LayoutName.h"
#include "cli/options/SpeedOption.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/JsonListing.h"
#include "cli/output/Paths.h"
#include "signal/decode/RowRecording.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"

#include <optional>
#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("list");

// How the listing names the way an image was read.
std::string_view FormatName(const TapeImage& image) {
    if (image.Format() == ImageFormat::Blocks) {
        return LayoutName(image.Layout());
    }
    return image.Format() == ImageFormat::Tzx ? "tzx" : "pzx";
}

} // namespace

int ListCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the rows the window lists for each FILE, one per line."));
    AddTapeOptions(parser);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object per file, with its blocks."));
    parser.addOption(json);
    const QCommandLineOption decode(
        QStringLiteral("decode"),
        QStringLiteral("Under each direct or CSW recording of a TZX image, the blocks read from "
                       "its sound, indented."));
    parser.addOption(decode);
    const QCommandLineOption speed = AddSpeedOption(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Tape images."),
                                 QStringLiteral("FILE..."));
    TapeOptions options;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, options)) {
        return *status;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        return UsageError(Command, "no FILE given");
    }

    std::vector<std::filesystem::path> paths;
    for (const QString& name : files) {
        paths.push_back(ToFsPath(name));
    }
    if (const std::string error = UseSpeedOption(parser, speed, paths); !error.empty()) {
        return UsageError(Command, error);
    }
    if (parser.isSet(decode) && parser.isSet(json)) {
        return UsageError(Command, "--decode lists rows as text; give it without --json");
    }

    bool failed = false;
    bool corrupt = false;
    std::optional<JsonListing> listing;
    if (parser.isSet(json)) {
        listing.emplace(stdout);
    }
    for (const QString& name : files) {
        const std::filesystem::path path = ToFsPath(name);
        const TapeChoice choice = ChooseFor(options, path);
        if (const auto why = NotForMachine(choice, path)) {
            ReportError(Shown(name) + ": " + *why);
            failed = true;
            continue;
        }
        TapeImage image;
        try {
            image = TapeImage(path, choice.machine, choice.layout);
        } catch (const std::system_error& error) {
            ReportFileError(Shown(name), path, error);
            failed = true;
            continue;
        }
        // Each row is written as it is read: the listing holds no more
        // than the image's index.
        if (listing) {
            listing->BeginFile(Shown(name), FormatName(image));
            image.ForEachBlock([&](std::size_t row, const ImageBlock& block) {
                listing->AddBlock(static_cast<int>(row), block);
            });
            listing->EndFile();
        } else {
            std::string out;
            if (files.size() > 1) {
                // A line with the file's name before its rows, a blank line between files.
                out += (&name == &files.front() ? "" : "\n") + Shown(name) + ":\n";
            }
            const bool decodes = parser.isSet(decode);
            if (decodes) {
                image.IndexAll(); // a row's sound plays from the index
            }
            image.ForEachRow([&](std::size_t at, const std::string& row) {
                AppendLatin1AsUtf8(out, row);
                out += '\n';
                if (decodes && RowHoldsRecording(image, at)) {
                    for (const std::string& read : RecordingRows(image, at)) {
                        out += "  ";
                        AppendLatin1AsUtf8(out, read);
                        out += '\n';
                    }
                }
                if (out.size() >= 64 * 1024) {
                    Write(stdout, out);
                    out.clear();
                }
            });
            Write(stdout, out);
        }
        corrupt = corrupt || image.HasCorrupt();
    }
    if (listing) {
        listing->Finish();
    }
    std::fflush(stdout);
    if (failed) {
        return ExitUsageOrIo;
    }
    return corrupt ? ExitCorrupt : ExitDone;
}

} // namespace bitreel::cli
