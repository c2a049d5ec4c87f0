// Parses the options of one command.
#include "cli/options/CommandParser.h"

#include "cli/output/Console.h"
#include "cli/output/ExitStatus.h"

namespace bitreel::cli {

std::optional<int> ParseCommand(QCommandLineParser& parser, const QString& command,
                                const QStringList& arguments) {
    const QCommandLineOption help = parser.addHelpOption();
    QStringList words{QStringLiteral("bitreel")};
    words += arguments;
    if (!parser.parse(words)) {
        return UsageError(command, parser.errorText().toStdString());
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        // The parser names the program as it was started, without the command.
        const QString usage = QStringLiteral("Usage: ");
        if (text.startsWith(usage)) {
            const qsizetype end = text.indexOf(QLatin1Char(' '), usage.size());
            text.replace(0, end < 0 ? text.size() : end,
                         usage + QStringLiteral("bitreel ") + command);
        }
        Write(stdout, text.toStdString());
        return ExitDone;
    }
    return std::nullopt;
}

int UsageError(const QString& command, const std::string& message) {
    ReportError(command.toStdString() + ": " + message + " (see bitreel " + command.toStdString() +
                " --help)");
    return ExitUsageOrIo;
}

} // namespace bitreel::cli
