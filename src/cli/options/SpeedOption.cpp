// The --speed option of the commands that open a snapshot.
#include "cli/options/SpeedOption.h"

#include "cli/output/Console.h"
#include "fastload/SnapshotTapes.h"
#include "pulses/FastTimings.h"
#include "tape/formats/SnapshotHook.h"

#include <algorithm>

namespace bitreel::cli {

using fastload::DefaultSpeed;
using fastload::FastestSpeed;
using fastload::SlowestSpeed;

QCommandLineOption AddSpeedOption(QCommandLineParser& parser) {
    QCommandLineOption option(
        QStringLiteral("speed"),
        QStringLiteral("For a snapshot (.z80, .sna, .szx): how fast the tape that loads it "
                       "goes, %1 (slowest, for a poor player or cable) to %2 (default %3).")
            .arg(SlowestSpeed)
            .arg(FastestSpeed)
            .arg(DefaultSpeed),
        QStringLiteral("N"));
    parser.addOption(option);
    return option;
}

std::string UseSpeedOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                           std::span<const std::filesystem::path> files) {
    unsigned speed = DefaultSpeed;
    if (parser.isSet(option)) {
        bool number = false;
        const uint given = parser.value(option).toUInt(&number);
        if (!number || given < SlowestSpeed || given > FastestSpeed) {
            return "--speed " + parser.value(option).toStdString() + ": give " +
                   std::to_string(SlowestSpeed) + " (slowest) to " + std::to_string(FastestSpeed);
        }
        speed = given;
        if (std::none_of(files.begin(), files.end(),
                         [](const auto& path) { return IsSnapshotPath(path); })) {
            ReportError("note: --speed is for snapshots (.z80, .sna, .szx); ignored here");
        }
    }
    fastload::InstallSnapshotTapes(speed);
    return {};
}

} // namespace bitreel::cli
