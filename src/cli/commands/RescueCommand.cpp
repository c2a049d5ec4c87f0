// `bitreel rescue`: several takes of one cassette into one TZX image, each
// block from a take that read it right, or voted from them all.
#include "cli/Commands.h"
#include "cli/options/CommandParser.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "signal/decode/RecordingTzx.h"
#include "signal/rescue/RescueTakes.h"
#include "tape/TapeChoice.h"
#include "tape/TapeImage.h"
#include "transfer/FsPath.h"

#include <optional>
#include <system_error>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("rescue");

// "takes 1, 2 and 3", counted from 1 as the user gave them.
std::string TakesText(const std::vector<std::size_t>& takes) {
    std::string text = takes.size() == 1 ? "take " : "takes ";
    for (std::size_t k = 0; k < takes.size(); ++k) {
        text += (k == 0                  ? ""
                 : k + 1 == takes.size() ? " and "
                                         : ", ") +
                std::to_string(takes[k] + 1);
    }
    return text;
}

// What became of a block: the take used, the vote, or what is still
// damaged; and the takes that missed it.
std::string Outcome(const RescuedBlock& b, std::size_t takeCount) {
    std::string text;
    switch (b.source) {
    case RescueSource::Take:
        text = TakesText({b.take});
        break;
    case RescueSource::Vote:
        text = "vote of " + TakesText(b.takes);
        break;
    case RescueSource::Damaged:
        text = TakesText({b.take}) + ", " + DamageText(b.block);
        break;
    }
    if (b.takes.size() < takeCount) {
        std::vector<std::size_t> missing;
        for (std::size_t t = 0; t < takeCount; ++t) {
            if (std::find(b.takes.begin(), b.takes.end(), t) == b.takes.end()) {
                missing.push_back(t);
            }
        }
        text += " (not in " + TakesText(missing) + ")";
    }
    return text;
}

// The rows an image lists, in order: of its blocks only, or all of them.
std::vector<std::string> Rows(const std::vector<std::uint8_t>& tzx, MachineKind machine,
                              bool blocksOnly) {
    TapeImage image(tzx, ImageFormat::Tzx, machine,
                    machine == MachineKind::Spectrum ? TapeLayout::SpectrumTap : TapeLayout::AceJup,
                    false);
    image.IndexAll();
    std::vector<std::string> rows;
    image.ForEachBlock([&](std::size_t, const ImageBlock& block) {
        if (!blocksOnly || (block.kind != BlockKind::Skipped && block.kind != BlockKind::Stop)) {
            rows.push_back(block.row);
        }
    });
    return rows;
}

} // namespace

int RescueCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads two or more recordings (.wav, .flac or .csw) of the same tape and writes the TZX "
        "image OUT with every block found in any of them: from a take whose checksum is right, "
        "else voted byte by byte from all takes, weighted by how sure each take is of each byte. "
        "A block no take reads right and the vote does not mend keeps the best take's bytes "
        "and is named damaged. Prints one line per block."));
    AddTapeOptions(parser);
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("The TZX image to write."), QStringLiteral("OUT"));
    parser.addOption(outOption);
    const QCommandLineOption forceOption = ForceOption();
    parser.addOption(forceOption);
    parser.addPositionalArgument(QStringLiteral("TAKE"),
                                 QStringLiteral("Recordings of the same tape."),
                                 QStringLiteral("TAKE..."));
    TapeOptions options;
    if (const auto status = ParseTapeCommand(parser, Command, arguments, options)) {
        return *status;
    }
    const QStringList names = parser.positionalArguments();
    if (names.size() < 2) {
        return UsageError(Command, "give two or more TAKEs");
    }
    if (!parser.isSet(outOption)) {
        return UsageError(Command, "give --out OUT.tzx");
    }
    const QString outName = parser.value(outOption);
    const std::filesystem::path out = ToFsPath(outName);
    if (UpperExtension(out) != ".TZX") {
        return UsageError(Command,
                          "cannot write " + Shown(outName) + ": rescue writes a .tzx file");
    }
    const bool force = parser.isSet(forceOption);
    if (!MayCreateOutFile(out, outName, force)) {
        return ExitUsageOrIo;
    }
    // The first take tells the machine, as list tells it of a recording.
    const MachineKind machine = ChooseFor(options, ToFsPath(names.front())).machine;
    std::vector<DecodedRecording> takes;
    for (const QString& name : names) {
        const std::filesystem::path path = ToFsPath(name);
        try {
            takes.push_back(DecodeRecordingFile(path, machine));
        } catch (const std::system_error& error) {
            ReportFileError(Shown(name), path, error);
            return ExitUsageOrIo;
        }
    }
    std::vector<RescuedBlock> rescued = RescueTakes(takes);
    const std::vector<RescuedStretch> stretches = RescueStretches(takes, rescued);
    // Sound alone is kept, as convert keeps it: a better decoder may read it.
    if (rescued.empty() && stretches.empty()) {
        ReportError("no blocks found in the takes; nothing is written");
        return ExitCorrupt;
    }
    // The image's items in tape order, and each one's line of the report
    // but for the row `list` shows it by, which the written image gives.
    struct Line {
        std::optional<std::size_t> block; // none for a stretch
        std::string outcome;
    };
    std::vector<PausedBlock> items;
    std::vector<Line> lines;
    std::size_t damaged = 0;
    std::size_t s = 0;
    for (std::size_t k = 0; k <= rescued.size(); ++k) {
        for (; s < stretches.size() && stretches[s].before == k; ++s) {
            const RescuedStretch& r = stretches[s];
            const DecodedRecording& take = takes[r.take];
            items.push_back(
                {nullptr, r.pauseMs,
                 std::span(take.edges)
                     .subspan(r.stretch.firstEdge, r.stretch.endEdge - r.stretch.firstEdge),
                 take.rate});
            lines.push_back(
                {std::nullopt, "not understood, kept as sound from " + TakesText({r.take})});
        }
        if (k < rescued.size()) {
            items.push_back({&rescued[k].block, rescued[k].pauseMs, {}, 0});
            lines.push_back({k, Outcome(rescued[k], takes.size())});
            damaged += rescued[k].source == RescueSource::Damaged ? 1 : 0;
        }
    }
    const std::vector<std::uint8_t> tzx = BlocksTzx(items, machine);
    if (!WriteOutFile(out, outName, force, tzx)) {
        return ExitUsageOrIo;
    }
    // The report names each item as `list` shows it: a block by its row in
    // the image (a data block's row says whose data it is), a stretch by its
    // own.
    const std::vector<std::string> blockRows = Rows(tzx, machine, true);
    std::string report;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const Line& line = lines[k];
        std::string row;
        if (line.block) {
            row = *line.block < blockRows.size() ? blockRows[*line.block] : std::string();
            report += "block " + std::to_string(*line.block + 1);
        } else {
            const auto rows = Rows(BlocksTzx(std::span(&items[k], 1), MachineKind::Spectrum),
                                   MachineKind::Spectrum, false);
            row = rows.empty() ? std::string() : rows.back();
            report += "stretch";
        }
        report += " (" + Latin1ToUtf8(row) + ")";
        report += ": " + line.outcome + "\n";
    }
    report += std::to_string(rescued.size()) + (rescued.size() == 1 ? " block, " : " blocks, ") +
              (damaged == 0 ? std::string("none") : std::to_string(damaged)) + " damaged";
    if (!stretches.empty()) {
        report += ", " + std::to_string(stretches.size()) +
                  (stretches.size() == 1 ? " stretch" : " stretches") + " of sound kept";
    }
    report += "\n";
    Write(stdout, report);
    std::fflush(stdout);
    return damaged == 0 ? ExitDone : ExitCorrupt;
}

} // namespace bitreel::cli
