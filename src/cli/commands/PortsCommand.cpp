// `bitreel ports`: which ports of the port table open now.
#include "cli/Commands.h"
#include "cli/options/CommandParser.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "cli/transfer/SoundCard.h"
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

std::string AudioDevicesReport(const std::vector<AudioDeviceInfo>& outputs,
                               const std::vector<AudioDeviceInfo>& inputs) {
    // The id first: it holds no spaces, so a script (and the completion)
    // takes the first word of each line, and the last word in brackets tells
    // which way the device goes.
    std::size_t width = 0;
    for (const auto* devices : {&outputs, &inputs}) {
        for (const AudioDeviceInfo& device : *devices) {
            width = std::max(width, device.id.size());
        }
    }
    std::string report;
    for (const auto& [devices, kind] :
         {std::pair(&outputs, "output"), std::pair(&inputs, "input")}) {
        for (const AudioDeviceInfo& device : *devices) {
            report += Padded(device.id, width + 2) + device.description + "  (" + kind +
                      (device.isDefault ? ", default" : "") + ")\n";
        }
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
        "when it does not, why. With --audio, the sound outputs that play --audio can use and "
        "the sound inputs that record --audio can use."));
    const QCommandLineOption audioOption(
        QStringLiteral("audio"),
        QStringLiteral("Lists the sound devices instead: id, description, and whether each is an "
                       "output or an input, and the default."));
    parser.addOption(audioOption);
    if (const auto status = ParseCommand(parser, Command, arguments)) {
        return *status;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(Command, "takes no arguments");
    }
    if (parser.isSet(audioOption)) {
        std::vector<AudioDeviceInfo> outputs;
        std::vector<AudioDeviceInfo> inputs;
        try {
            outputs = SoundOutputs();
            inputs = SoundInputs();
        } catch (const std::runtime_error& error) {
            // Either kind's: the executable has no sound card.
            ReportError(error.what());
            return ExitPortFailed;
        }
        if (outputs.empty() && inputs.empty()) {
            ReportError("no sound device is there");
            return ExitPortFailed;
        }
        Write(stdout, AudioDevicesReport(outputs, inputs));
        return ExitDone;
    }
    Write(stdout, PortsReport(SystemPortTable()));
    return ExitDone;
}

} // namespace bitreel::cli
