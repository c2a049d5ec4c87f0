// `bitreel check`: names the adapter on a port and tests the line, with the
// machine attached or with a loopback plug.
#include "cli/Commands.h"
#include "cli/commands/CheckReport.h"
#include "cli/options/CommandParser.h"
#include "cli/options/PortArgument.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/transfer/LineOpening.h"
#include "cli/transfer/StopSignals.h"

#include <QJsonDocument>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("check");

// The system's clock, waiting on the port so that arriving bytes end a wait.
class PortClock final : public LineClock {
public:
    explicit PortClock(SystemPort& port) : port_(port) {}

    Duration Now() override { return std::chrono::steady_clock::now() - start_; }
    void Wait(Duration most) override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(most).count();
        port_.WaitForLine(static_cast<int>(std::max<long long>(1, ms)));
    }

private:
    SystemPort& port_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void Say(bool json, const std::string& text) {
    if (!json) {
        Write(stdout, text);
        std::fflush(stdout);
    }
}

} // namespace

int CheckCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Names the adapter on PORT and what is known of its chip's handshake, opens the line "
        "as Play does and watches CTS, DSR and DCD. With --loopback and a loopback plug on the "
        "adapter, tests the data, the handshake lines and the hardware handshake instead. "
        "Exit status 4 when an item fails."));
    const QCommandLineOption portOption = PortOption();
    const QCommandLineOption loopbackOption(
        QStringLiteral("loopback"),
        QStringLiteral("Test with a loopback plug: TX to RX, RTS to CTS, DTR to DSR and DCD."));
    const QCommandLineOption watchOption(
        QStringLiteral("watch"), QStringLiteral("Watch the input lines for SECONDS (default 5)."),
        QStringLiteral("SECONDS"), QStringLiteral("5"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print one JSON object."));
    parser.addOption(portOption);
    parser.addOption(loopbackOption);
    parser.addOption(watchOption);
    parser.addOption(jsonOption);
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(Command, "takes no arguments besides its options");
    }
    const bool loopback = parser.isSet(loopbackOption);
    const bool json = parser.isSet(jsonOption);
    if (loopback && parser.isSet(watchOption)) {
        return UsageError(Command, "--watch does not go with --loopback");
    }
    bool watchOk = false;
    const double seconds = parser.value(watchOption).toDouble(&watchOk);
    if (!watchOk || !std::isfinite(seconds) || seconds < 0 || seconds > 1e6) {
        return UsageError(Command, "--watch " + parser.value(watchOption).toStdString() +
                                       ": give a number of seconds, 0 or more");
    }

    CheckRun run;
    const QString argument = parser.value(portOption);
    run.port = argument.toStdString();
    if (const auto target = ResolvePort(run.port, SystemPortTable())) {
        run.adapter = IdentifyAdapter(target->device, SystemPortTable());
        Say(json, AdapterText(run.adapter) + "\n");
    }
    int status = ExitDone;
    const std::unique_ptr<SystemPort> port = OpenLine(Command, argument, status);
    if (!port) {
        return status;
    }

    PortClock clock(*port);
    bool stopped = false;
    try {
        if (loopback) {
            Say(json, "Loopback (a plug joins TX to RX, RTS to CTS, DTR to DSR and DCD); a few "
                      "seconds\n");
            LoopbackResult result = RunLoopback(*port, clock, TransferLineSettings());
            run.data = result.data;
            run.items = std::move(result.items);
        } else {
            Say(json, "Line (9600 8N1 with RTS/CTS and DTR low, as Play opens it)\n");
            run.linesFirst = port->ReadInputLines();
            Say(json, FieldText("now", LinesText(run.linesFirst)));
            const auto length = std::chrono::duration_cast<LineClock::Duration>(
                std::chrono::duration<double>(seconds));
            if (length > LineClock::Duration::zero()) {
                char headline[64];
                std::snprintf(headline, sizeof headline, "  watching for %g s; Ctrl-C ends it\n",
                              seconds);
                Say(json, headline);
            }
            CatchStopSignals();
            const WatchResult watch = WatchLines(
                *port, clock, run.linesFirst, length,
                [&](const LineChange& change) {
                    run.changes.push_back(change);
                    Say(json, ChangeText(change));
                },
                [] { return StopSignalled(); });
            run.linesLast = watch.last;
            stopped = watch.stopped;
            if (length > LineClock::Duration::zero()) {
                Say(json, FieldText("at the end", LinesText(run.linesLast)));
            }
            run.items.push_back(CtsItem(run.linesLast));
        }
    } catch (const PortError& error) {
        ReportError(error.what());
        return ExitPortFailed;
    }
    port->Close();

    if (json) {
        Write(stdout, QJsonDocument(CheckJson(run)).toJson(QJsonDocument::Indented).toStdString());
    } else {
        Write(stdout, (loopback ? "" : "\nResult\n") + ItemsText(run.items));
    }
    if (stopped) {
        return ExitInterrupted;
    }
    return AnyFailed(run.items) ? ExitCheckFailed : ExitDone;
}

} // namespace bitreel::cli
