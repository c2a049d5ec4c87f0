// `bitreel view`: what the block inspector shows of one row, as text or a PNG.
#include "cli/Commands.h"
#include "cli/options/CommandParser.h"
#include "cli/options/RowNumbers.h"
#include "cli/options/SpeedOption.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"
#include "transfer/OutputFile.h"
#include "view/SnapshotViews.h"
#include "view/View.h"

#include <algorithm>
#include <array>
#include <optional>
#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("view");

// The options that pick one view, and the views each of them shows.
struct ViewOption {
    const char* name;
    const char* description;
    std::vector<view::BlockView> views; // empty for --hex, which fits every row
};

const std::array<ViewOption, 5> ViewOptions{{
    {"basic", "The BASIC listing of a program.", {view::BlockView::Basic}},
    {"array",
     "The dimensions and values of a number or character array.",
     {view::BlockView::NumberArray, view::BlockView::CharArray}},
    {"words",
     "The names of a Jupiter Ace dictionary's words, newest first.",
     {view::BlockView::Words}},
    {"hex", "Every byte of the row's block, with the checksum's verdict.", {}},
    {"png", "Writes the loading screen to OUT.png.", {view::BlockView::Screen}},
}};

const ViewOption& PngOption = ViewOptions.back();

bool Offers(const ViewOption& option, const std::vector<view::BlockView>& fitting) {
    return option.views.empty() ||
           std::any_of(option.views.begin(), option.views.end(), [&](view::BlockView v) {
               return std::find(fitting.begin(), fitting.end(), v) != fitting.end();
           });
}

// "--words or --hex": the options that fit a row, for the message when another does not.
std::string OfferedOptions(const std::vector<view::BlockView>& fitting) {
    std::vector<std::string> names;
    for (const ViewOption& option : ViewOptions) {
        if (Offers(option, fitting)) {
            names.push_back(std::string("--") + option.name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text;
}

// The first of the option's views that fits; the Spectrum arrays are two views under one option.
view::BlockView FirstOffered(const ViewOption& option,
                             const std::vector<view::BlockView>& fitting) {
    for (const view::BlockView v : fitting) {
        if (std::find(option.views.begin(), option.views.end(), v) != option.views.end()) {
            return v;
        }
    }
    return option.views.front();
}

// With no view asked for: a header's fields, then the first view that reads
// as text, else the bytes.
std::string DefaultText(const view::RowBlocks& blocks, const view::RowViews& shown,
                        MachineKind machine, TapeLayout layout) {
    std::string text;
    if (shown.headerRow) {
        // Line by line, before they are joined: a name may hold a line break.
        view::TextView fields = view::ListHeaderFields(machine, *shown.header);
        for (std::string& line : fields.lines) {
            line = ShownLine(line);
        }
        text = fields.Text() + "\n";
    }
    const auto first = std::find_if(shown.views.begin(), shown.views.end(),
                                    [](view::BlockView v) { return v != view::BlockView::Screen; });
    if (first != shown.views.end()) {
        return text + view::ViewText(*first, shown.header, shown.data);
    }
    return text + view::HexDump(*blocks.at, layout);
}

// The picture scaled by factor, written whole or not at all: OUT takes the
// new file's name only once all of it is on the disk.
int WritePng(const std::span<const std::uint8_t> screen, int factor, const QString& name,
             bool force) {
    std::vector<std::uint8_t> png;
    try {
        png = view::EncodePng(view::ScaleImage(*view::RenderScreen(screen), factor));
    } catch (const std::runtime_error&) {
        ReportError("cannot write " + Shown(name) + ": the PNG could not be made");
        return ExitUsageOrIo;
    }
    if (!WriteOutFile(ToFsPath(name), name, force, png)) {
        return ExitUsageOrIo;
    }
    return ExitDone;
}

} // namespace

int ViewCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows what is inside the block of row ROW of FILE (rows count from 1, as list's JSON "
        "and play --from count them), as the block inspector shows it. With no view option: a "
        "header's fields, then the first view that fits the block (for a header row, the data "
        "block after it), else its bytes in hex. A view that does not fit the block is an "
        "error."));
    AddTapeOptions(parser);
    for (const ViewOption& option : ViewOptions) {
        if (&option == &PngOption) {
            parser.addOption({QLatin1String(option.name), QLatin1String(option.description),
                              QStringLiteral("OUT.png")});
        } else {
            parser.addOption({QLatin1String(option.name), QLatin1String(option.description)});
        }
    }
    const QCommandLineOption scaleOption(
        QStringLiteral("scale"),
        QStringLiteral("With --png: each pixel a square of N x N, N from 1 to 4 (default 1)."),
        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(scaleOption);
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(forceOption);
    const QCommandLineOption speedOption = AddSpeedOption(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The tape image."));
    parser.addPositionalArgument(QStringLiteral("ROW"), QStringLiteral("The row, from 1."));
    TapeOptions options;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, options)) {
        return *status;
    }
    const ViewOption* asked = nullptr;
    for (const ViewOption& option : ViewOptions) {
        if (parser.isSet(QLatin1String(option.name))) {
            if (asked) {
                return UsageError(Command, "give one of --basic, --array, --words, --hex, --png");
            }
            asked = &option;
        }
    }
    bool scaleOk = false;
    const int scale = parser.value(scaleOption).toInt(&scaleOk);
    if (!scaleOk || scale < 1 || scale > 4) {
        return UsageError(Command,
                          "--scale " + parser.value(scaleOption).toStdString() + ": give 1 to 4");
    }
    if (parser.isSet(scaleOption) && asked != &PngOption) {
        return UsageError(Command, "--scale goes with --png");
    }
    if (parser.isSet(forceOption) && asked != &PngOption) {
        return UsageError(Command, "--force goes with --png");
    }
    if (parser.positionalArguments().size() != 2) {
        return UsageError(Command, "give FILE and ROW");
    }
    const bool force = parser.isSet(forceOption);
    if (asked == &PngOption) {
        const QString out = parser.value(QLatin1String(PngOption.name));
        if (!MayCreateOutFile(ToFsPath(out), out, force)) {
            return ExitUsageOrIo;
        }
    }
    const QString name = parser.positionalArguments()[0];
    const QString rowArgument = parser.positionalArguments()[1];
    const std::filesystem::path path = ToFsPath(name);
    TapeChoice choice;
    if (const auto status = ChooseForTape(parser, Command, options, name, speedOption, choice)) {
        return *status;
    }
    const std::optional<int> row = RowIndexOf(rowArgument);

    view::RowBlocks blocks;
    std::size_t rows = 0;
    std::optional<Snapshot> snapshot; // the snapshot a first row names
    try {
        TapeImage image(path, choice.machine, choice.layout);
        rows = image.IndexAll().RowCount();
        if (row) {
            blocks = view::BlocksAround(image, static_cast<std::size_t>(*row));
        }
        if (const Snapshot* held = image.SnapshotHeld(); held && row == 0) {
            snapshot = *held;
        }
    } catch (const std::system_error& error) {
        ReportFileError(Shown(name), path, error);
        return ExitUsageOrIo;
    }
    const std::string rowName = "row " + rowArgument.toStdString();
    if (!blocks.at) {
        return UsageError(Command, rowName + ": " + NoSuchRow(rowArgument, Shown(name), rows));
    }

    const view::RowViews shown = view::ViewsOfRow(blocks, choice.machine);
    std::string text;
    if (snapshot) {
        // The inspector's views of the snapshot: registers, loading screen, memory.
        if (asked == &PngOption) {
            return WritePng(view::SnapshotScreen(*snapshot), scale,
                            parser.value(QLatin1String(PngOption.name)), force);
        }
        if (asked && !asked->views.empty()) {
            return UsageError(Command, std::string("--") + asked->name + " does not fit " +
                                           rowName + " of " + Shown(name) +
                                           ", a snapshot; give --hex or --png");
        }
        text = asked ? view::MemoryText(*snapshot) : view::RegistersText(*snapshot);
    } else if (blocks.at->stored.empty()) {
        // A pause, a text, a stop of a TZX or PZX image: nothing to look inside
        // but what its row says.
        if (asked) {
            return UsageError(Command, std::string("--") + asked->name + " does not fit " +
                                           rowName + " of " + Shown(name) + ": it holds no block");
        }
        text = Latin1ToUtf8(blocks.at->row) + "\n";
    } else if (!asked) {
        text = DefaultText(blocks, shown, choice.machine, choice.layout);
    } else if (!Offers(*asked, shown.views)) {
        return UsageError(Command, std::string("--") + asked->name + " does not fit " + rowName +
                                       " of " + Shown(name) + "; give " +
                                       OfferedOptions(shown.views));
    } else if (asked == &PngOption) {
        return WritePng(shown.data, scale, parser.value(QLatin1String(PngOption.name)), force);
    } else if (asked->views.empty()) {
        text = view::HexDump(*blocks.at, choice.layout);
    } else {
        text = view::ViewText(FirstOffered(*asked, shown.views), shown.header, shown.data);
    }
    Write(stdout, ShownLines(text));
    std::fflush(stdout);
    // As list tells a corrupt block: its bytes are shown, and a script learns of it.
    return blocks.at->kind == BlockKind::Corrupt ? ExitCorrupt : ExitDone;
}

} // namespace bitreel::cli
