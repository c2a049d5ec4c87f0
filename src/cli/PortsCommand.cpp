// `bitreel ports`: which ports of the port table open now.
#include "cli/CommandParser.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/SoundCard.h"
#include "serial/PortProbe.h"

#include <algorithm>

namespace bitreel::cli {
namespace {

const QString Command = QStringLiteral("ports");

std::string StateText(const PortStatus& status) {
    switch (status.state) {
    case PortState::Opens:
        return "opens";
    case PortState::Absent:
        return "absent";
    case PortState::InUse:
        return "in use";
    case PortState::PermissionDenied:
        if (status.detail.empty()) {
            return "permission denied";
        }
        return "permission denied (join the " + status.detail + " group: sudo usermod -aG " +
               status.detail + " $USER, then log in again)";
    case PortState::Fails:
        break;
    }
    return "does not open: " + status.detail;
}

std::string Padded(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

} // namespace

std::string AudioOutputsReport(const std::vector<AudioDeviceInfo>& outputs) {
    if (outputs.empty()) {
        return {};
    }
    // The id first: it holds no spaces, so a script (and the completion)
    // takes the first word of each line.
    std::size_t width = 0;
    for (const AudioDeviceInfo& output : outputs) {
        width = std::max(width, output.id.size());
    }
    std::string report;
    for (const AudioDeviceInfo& output : outputs) {
        report += Padded(output.id, width + 2) + output.description +
                  (output.isDefault ? "  (default)" : "") + "\n";
    }
    return report;
}

std::string PortsReport(const PortTable& table) {
    std::size_t deviceWidth = 0;
    for (const auto& [number, device] : table) {
        deviceWidth = std::max(deviceWidth, device.size());
    }
    std::string report;
    for (const auto& [number, device] : table) {
        report += Padded("COM" + std::to_string(number), 6) + Padded(device, deviceWidth + 2) +
                  StateText(ProbePort(device)) + "\n";
    }
    return report;
}

int PortsCommand(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints each COM number of the port table with its device and whether it opens now; "
        "when it does not, why. With --audio, the sound outputs that play --audio can use."));
    const QCommandLineOption audioOption(
        QStringLiteral("audio"),
        QStringLiteral("Lists the sound outputs instead: description, id, and the default."));
    parser.addOption(audioOption);
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(Command, "takes no arguments");
    }
    if (parser.isSet(audioOption)) {
        std::vector<AudioDeviceInfo> outputs;
        try {
            outputs = SoundOutputs();
        } catch (const AudioOutputError& error) {
            ReportError(error.what());
            return ExitPortFailed;
        }
        if (outputs.empty()) {
            ReportError("no sound output is there");
            return ExitPortFailed;
        }
        Write(stdout, AudioOutputsReport(outputs));
        return ExitDone;
    }
    Write(stdout, PortsReport(SystemPortTable()));
    return ExitDone;
}

} // namespace bitreel::cli
