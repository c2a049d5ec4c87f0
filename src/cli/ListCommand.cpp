// `bitreel list`: the rows the window would list, as text or JSON.
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/JsonListing.h"
#include "cli/LayoutName.h"
#include "cli/Paths.h"
#include "cli/TapeOptions.h"
#include "tape/BlockDescription.h"
#include "tape/ContentsList.h"
#include "tape/ImageReader.h"
#include "tape/ListedBlock.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("list");

// One file's rows, with the facts behind each when JSON is asked for.
struct FileListing {
    std::vector<std::string> rows;
    std::vector<ListedBlock> blocks; // JSON only
    std::string_view layout;
    bool corrupt = false;
};

std::string_view FormatName(ImageFormat format) {
    return format == ImageFormat::Tzx ? "tzx" : "pzx";
}

// A TZX or PZX image, read whole by its reader.
FileListing ListImage(const std::filesystem::path& path, ImageFormat format, bool details) {
    FileListing listing;
    listing.layout = FormatName(format);
    const TapeEntries entries =
        *LoadTapeEntries(path, MachineKind::Spectrum, details ? FrameUse::Keep : FrameUse::Drop);
    listing.corrupt = std::any_of(entries.begin(), entries.end(),
                                  [](const TapeEntry& e) { return e.Kind == EntryKind::Corrupt; });
    if (details) {
        listing.blocks = ListEntries(entries);
    } else {
        listing.rows = EntryRows(entries);
    }
    return listing;
}

// A file read block by block in the layout chosen, as the window lists it.
FileListing ListBlocksOf(const std::filesystem::path& path, const TapeChoice& choice,
                         bool details) {
    FileListing listing;
    listing.layout = LayoutName(choice.layout);
    TapeFile file(path);
    if (details) {
        listing.blocks = ListBlocks(file, choice.machine, choice.layout, IsTapPath(path));
        listing.corrupt =
            std::any_of(listing.blocks.begin(), listing.blocks.end(),
                        [](const ListedBlock& b) { return b.kind == BlockKind::Corrupt; });
        return listing;
    }
    bool expectHeader = true;
    listing.rows = LoadContents(file, choice.machine, choice.layout, IsTapPath(path), expectHeader);
    listing.corrupt =
        std::find(listing.rows.begin(), listing.rows.end(), CorruptBlockRow) != listing.rows.end();
    return listing;
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
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Tape images."),
                                 QStringLiteral("FILE..."));
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    const TapeOptionsParse options = ReadTapeOptions(parser);
    if (!options.error.empty()) {
        return UsageError(Command, options.error);
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        return UsageError(Command, "no FILE given");
    }

    bool failed = false;
    bool corrupt = false;
    QJsonArray objects;
    std::string out;
    for (const QString& name : files) {
        const std::filesystem::path path = ToPath(name);
        const TapeChoice choice = ChooseFor(options.options, path);
        const auto format = ImageFormatOf(path, choice.machine);
        FileListing listing;
        try {
            listing = format ? ListImage(path, *format, parser.isSet(json))
                             : ListBlocksOf(path, choice, parser.isSet(json));
        } catch (const std::system_error& error) {
            std::error_code ignored;
            const bool exists = std::filesystem::exists(path, ignored);
            ReportError((exists ? "cannot read " : "cannot open ") + Shown(name) + ": " +
                        error.code().message());
            failed = true;
            continue;
        }
        corrupt = corrupt || listing.corrupt;
        if (parser.isSet(json)) {
            objects.append(FileJson(Shown(name), listing.layout, listing.blocks));
            continue;
        }
        if (files.size() > 1) {
            // A line with the file's name before its rows, a blank line between files.
            out += (&name == &files.front() ? "" : "\n") + Shown(name) + ":\n";
        }
        for (const std::string& row : listing.rows) {
            out += Latin1ToUtf8(row);
            out += '\n';
        }
        Write(stdout, out);
        out.clear();
    }
    if (parser.isSet(json)) {
        Write(stdout, QJsonDocument(objects).toJson(QJsonDocument::Indented).toStdString());
    }
    std::fflush(stdout);
    if (failed) {
        return ExitUsageOrIo;
    }
    return corrupt ? ExitCorrupt : ExitDone;
}

} // namespace bitreel::cli
