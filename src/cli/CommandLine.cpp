// Picks the command a command line names and runs it.
#include "cli/CommandLine.h"

#include "cli/Commands.h"

#include <array>
#include <utility>

namespace bitreel::cli {
namespace {

using Run = int (*)(const QStringList&);

constexpr std::array<std::pair<const char*, Run>, 9> Commands{{
    {"list", ListCommand},
    {"play", PlayCommand},
    {"record", RecordCommand},
    {"convert", ConvertCommand},
    {"rescue", RescueCommand},
    {"ports", PortsCommand},
    {"view", ViewCommand},
    {"check", CheckCommand},
    {"companion", CompanionCommand},
}};

} // namespace

bool IsCommand(const QString& word) {
    for (const auto& [name, run] : Commands) {
        if (word == QLatin1String(name)) {
            return true;
        }
    }
    return false;
}

int RunCommand(const QStringList& arguments) {
    const QString& word = arguments.at(1);
    for (const auto& [name, run] : Commands) {
        if (word == QLatin1String(name)) {
            return run(arguments.mid(2));
        }
    }
    return 1;
}

QString CommandsHelp() {
    return QStringLiteral(
        "Commands (each with its own --help):\n"
        "  list [--machine spectrum|ace] [--format jup|tap] [--json | --decode] [--speed N]\n"
        "       FILE...\n"
        "  play --port PORT [--from ROW] [--to ROW] [--machine ...] [--format ...] FILE\n"
        "  play --audio [--speed N] [--rate HZ] [--invert] [--level PERCENT] [--from ROW]\n"
        "       [--to ROW] [--machine ...] [--format ...] [DEVICE] FILE\n"
        "  record --port PORT [--machine ...] [--format ...] [--blocks N] [--idle SECONDS]\n"
        "         [--force] OUT\n"
        "  record --audio [--machine ...] [--format ...] [--blocks N] [--idle SECONDS]\n"
        "         [--force] [DEVICE] OUT\n"
        "  convert [--machine ...] [--format ...] [--force] IN OUT\n"
        "  convert [--machine ...] [--format ...] [--from ROW] [--to ROW] [--rate HZ]\n"
        "          [--invert] [--level PERCENT] [--speed N] [--force]\n"
        "          IN OUT.wav|OUT.flac|OUT.csw\n"
        "  convert [--speed N] [--force] SNAPSHOT OUT.tzx\n"
        "  rescue [--machine ...] [--force] --out OUT.tzx TAKE...\n"
        "  ports [--audio]\n"
        "  check --port PORT [--watch SECONDS | --loopback] [--json]\n"
        "  companion --for spectrum128|interface1 [--rate HZ] [--invert] [--level PERCENT]\n"
        "            [--force] OUT | --audio [DEVICE]\n"
        "  view [--machine ...] [--format ...] [--basic | --array | --words | --hex |\n"
        "       --png OUT.png [--scale N] [--force]] [--speed N] FILE ROW\n"
        "SNAPSHOT is a .z80, .sna or .szx file: it opens as the tape that loads it,\n"
        "at --speed.\n"
        "PORT is COM1-COM16 of the port table, or a device path such as /dev/ttyUSB0.\n"
        "ROW is a row's number, counted from 1 as the progress lines count blocks.\n"
        "With no arguments, or with a FILE alone, the window opens.");
}

} // namespace bitreel::cli
