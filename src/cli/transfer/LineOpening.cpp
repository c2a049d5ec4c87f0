// Opens the serial line for a Play or Record run.
#include "cli/transfer/LineOpening.h"

#include "cli/options/CommandParser.h"
#include "cli/options/PortArgument.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"
#include "serial/LineSettings.h"

namespace bitreel::cli {

LineSettings TransferLineSettings() {
    return ParseLineSettings("9600,n,8,1");
}

std::unique_ptr<SystemPort> OpenLine(const QString& command, const QString& argument, int& status) {
    if (argument.isEmpty()) {
        status = UsageError(command, "--port PORT is required");
        return nullptr;
    }
    const auto target = ResolvePort(argument.toStdString(), SystemPortTable());
    if (!target) {
        status = UsageError(command, "--port " + argument.toStdString() +
                                         ": give a COM name of the port table (COM1-COM16) or "
                                         "a device path");
        return nullptr;
    }
    auto port = std::make_unique<SystemPort>(target->table, target->label);
    try {
        port->SetPortNumber(target->number);
        port->SetSettings(TransferLineSettings());
        port->SetHandshaking(Handshake::RtsCts);
        port->SetDtrEnable(false);
        port->Open();
    } catch (const PortError& error) {
        // A refusal for want of rights already names the group to join.
        ReportError(error.what());
        status = ExitPortFailed;
        return nullptr;
    }
    return port;
}

std::optional<int> ParseLineOrSoundCommand(QCommandLineParser& parser, const QString& command,
                                           const QStringList& arguments,
                                           const QCommandLineOption& portOption,
                                           const QCommandLineOption& audioOption,
                                           const LineOrSoundWords& given, TapeOptions& options,
                                           LineOrSound& out) {
    const QString file = QString::fromStdString(given.file);
    parser.addPositionalArgument(file, given.description, QStringLiteral("[DEVICE] ") + file);
    if (const auto status = ParseTapeCommand(parser, command, arguments, options)) {
        return status;
    }
    out.audio = parser.isSet(audioOption);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1 && !(out.audio && words.size() == 2)) {
        return UsageError(command, out.audio
                                       ? "give " + given.file + ", or DEVICE and " + given.file
                                       : given.oneFile);
    }
    if (out.audio && parser.isSet(portOption)) {
        return UsageError(command, "give --port or --audio, not both");
    }
    out.device = words.size() == 2 ? words.front().toStdString() : std::string();
    out.name = words.back();
    return std::nullopt;
}

} // namespace bitreel::cli
