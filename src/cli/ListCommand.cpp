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
#include "tape/ListedBlock.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("list");

struct FileListing {
    bool opened = false;
    bool corrupt = false;
};

// The plain rows, written as they are made by the window's own listing.
FileListing ListRows(TapeFile& file, const std::filesystem::path& path, const TapeChoice& choice,
                     std::string& out) {
    bool expectHeader = true;
    const std::vector<std::string> rows =
        LoadContents(file, choice.machine, choice.layout, IsTapPath(path), expectHeader);
    FileListing listing{true, false};
    for (const std::string& row : rows) {
        listing.corrupt = listing.corrupt || row == CorruptBlockRow;
        out += Latin1ToUtf8(row);
        out += '\n';
    }
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
        std::optional<TapeFile> file;
        try {
            file.emplace(path);
        } catch (const std::system_error& error) {
            ReportError("cannot open " + Shown(name) + ": " + error.code().message());
            failed = true;
            continue;
        }
        try {
            if (parser.isSet(json)) {
                const std::vector<ListedBlock> blocks =
                    ListBlocks(*file, choice.machine, choice.layout, IsTapPath(path));
                corrupt = corrupt || std::any_of(blocks.begin(), blocks.end(), [](const auto& b) {
                              return b.kind == BlockKind::Corrupt;
                          });
                objects.append(FileJson(Shown(name), LayoutName(choice.layout), blocks));
                continue;
            }
            std::string rows;
            const FileListing listing = ListRows(*file, path, choice, rows);
            corrupt = corrupt || listing.corrupt;
            if (files.size() > 1) {
                // A line with the file's name before its rows, a blank line between files.
                out += (&name == &files.front() ? "" : "\n") + Shown(name) + ":\n";
            }
            out += rows;
            Write(stdout, out);
            out.clear();
        } catch (const std::system_error& error) {
            ReportError("cannot read " + Shown(name) + ": " + error.code().message());
            failed = true;
        }
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
