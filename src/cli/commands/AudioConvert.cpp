// `bitreel convert IN OUT.wav`: a tape image written as the sound its
// machine's EAR socket would hear.
#include "cli/commands/AudioConvert.h"

#include "cli/options/CommandParser.h"
#include "cli/options/RowRange.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/output/OutFile.h"
#include "cli/output/Paths.h"
#include "signal/render/TapeAudioFile.h"
#include "tape/RowText.h"
#include "tape/TapeImage.h"

#include <system_error>

namespace bitreel::cli {
namespace {

// "GAME.TZX: row 5 (text)", as a person finds the row in a listing.
std::string RowNamed(const std::string& file, const TapeImage& image, std::size_t row) {
    return file + ": row " + RowNumberText(static_cast<long long>(row)) + " (" +
           Latin1ToUtf8(image.Row(row)) + ")";
}

} // namespace

int ConvertToAudio(const QString& command, const AudioConversion& c,
                   const QCommandLineParser& parser, const RowRangeOptions& rows) {
    if (!MayCreateOutFile(c.out, c.outName, c.force)) {
        return ExitUsageOrIo;
    }
    const std::string inName = Shown(c.inName);
    TapeImage image;
    try {
        image = TapeImage(c.in, c.choice.machine, c.choice.layout);
        image.IndexAll();
    } catch (const std::system_error& error) {
        ReportError("cannot open " + inName + ": " + ReadFailureText(error));
        return ExitUsageOrIo;
    }
    // Silence alone is no tape: nothing is written, as for a file of blocks.
    // Pauses, texts and stops are silence too.
    bool anySound = false;
    for (std::size_t row = 0; row < image.RowCount() && !anySound; ++row) {
        const ImageBlock block = image.Block(row);
        anySound = (block.kind != BlockKind::Skipped && block.kind != BlockKind::Stop) ||
                   IsNotSentRow(block.row);
    }
    if (!anySound) {
        return NoBlockToWrite(c.inName);
    }
    const RowRange range = ReadRowRange(parser, rows, inName, image.RowCount());
    if (!range.error.empty()) {
        return UsageError(command, range.error);
    }

    TapeAudioEvents events;
    events.stopped = [&](std::size_t row) {
        ReportError(RowNamed(inName, image, row) +
                    " stops the tape: 2 seconds of silence stand for it");
    };
    events.choice = [&](std::size_t row) {
        ReportError(RowNamed(inName, image, row) + " is a select block: its first choice is taken");
    };
    TapeAudioResult result;
    try {
        result = WriteTapeAudio(image, PulseRange{range.from, range.to}, c.render, c.out, c.type,
                                events, c.force ? FileCreation::Replace : FileCreation::Refuse);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::file_exists) {
            ReportError(Shown(c.outName) + " exists; give --force to overwrite it");
        } else {
            ReportError(error.what());
        }
        return ExitUsageOrIo;
    }
    if (!result.written) {
        ReportError(RowNamed(inName, image, *result.corruptRow) +
                    " is corrupt: nothing is written");
        return ExitCorrupt;
    }
    if (result.corruptRow) {
        ReportError(RowNamed(inName, image, *result.corruptRow) +
                    " is corrupt: the sound ends before it");
        return ExitCorrupt;
    }
    return ExitDone;
}

} // namespace bitreel::cli
