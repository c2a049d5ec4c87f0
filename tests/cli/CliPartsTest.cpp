// The command line's own pieces: progress lines, Latin-1 rows, port names,
// the machine and layout options, and the port report.
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/DesktopHandover.h"
#include "cli/options/PortArgument.h"
#include "cli/options/TapeOptions.h"
#include "cli/output/Console.h"
#include "cli/output/ProgressLine.h"
#include "cli/output/ProgressReporter.h"
#include "serial/SystemPort.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace bitreel::cli {
namespace {

TEST(ProgressLine, TellsBlockBytesRateAndTimeLeft) {
    const struct {
        ProgressFigures figures;
        const char* running;
        const char* finished;
    } cases[] = {
        {{3, 10, 1200, 6914, 958.4, 6.2, false},
         "block 3 of 10: 1200 of 6914 bytes, 958 bytes/s, 0:07 left",
         "block 3 of 10: 6914 bytes, 958 bytes/s"},
        {{1, {}, 1, {}, 0, {}, false}, "block 1: 1 of ? bytes", "block 1: 1 bytes"},
        {{2, {}, 0, 21, 0, 3.0, true},
         "block 2: 0 of 21 bytes, waiting for CTS",
         "block 2: 21 bytes"},
        {{9, 9, 50, 100, 100, 3725, false},
         "block 9 of 9: 50 of 100 bytes, 100 bytes/s, 1:02:05 left",
         "block 9 of 9: 100 bytes, 100 bytes/s"},
        // Through the sound card: tenths of a second, rounded down, so that
        // only the end shows the whole length.
        {{4, 8, 2399, 14'099, 0, {}, false, true},
         "block 4 of 8: 2.3 of 14.0 s",
         "block 4 of 8: 14.0 s"},
        {{1, {}, 59, 60, 0, {}, false, true}, "block 1: 0.0 of 0.0 s", "block 1: 0.0 s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RunningLine(c.figures), c.running);
        EXPECT_EQ(FinishedLine(c.figures), c.finished);
    }
    EXPECT_EQ(Duration(0), "0:00");
    EXPECT_EQ(Duration(59.01), "1:00");
}

// What a terminal shows the moment a block starts: Play knows the frame's
// size from the image, Record learns it from the frame's length field.
TEST(ProgressReporter, TheFirstLineOfABlock) {
    const struct {
        ProgressReporter::Counting counting;
        int index;
        const char* line;
    } cases[] = {
        {ProgressReporter::Counting::Play, 0, "block 1 of 3: 0 of 21 bytes"},
        {ProgressReporter::Counting::Play, 2, "block 3 of 3: 0 of 6916 bytes"},
        // A row that sends nothing (a TZX pause) has no frame to count.
        {ProgressReporter::Counting::Play, 1, "block 2 of 3: 0 of ? bytes"},
        {ProgressReporter::Counting::Record, 0, "block 1: 0 of ? bytes"},
    };
    for (const auto& c : cases) {
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* stream = ::open_memstream(&text, &size);
        ASSERT_NE(stream, nullptr);
        {
            ProgressReporter progress(stream, true, c.counting);
            if (c.counting == ProgressReporter::Counting::Play) {
                progress.PlanRows({21, 0, 6916});
            }
            progress.StartBlock(c.index);
        }
        std::fclose(stream);
        const std::string shown(text, size);
        std::free(text);
        EXPECT_EQ(shown, std::string("\r") + c.line + "\x1b[K") << c.line;
    }
}

// The edges of the rule, from Latin-1 and from UTF-8.
TEST(PortsReport, SoundDevicesLineUpMarkedOutputOrInputAndDefault) {
    EXPECT_EQ(AudioDevicesReport({{"bitreel_null", "Null Output", true},
                                  {"alsa_output.usb", "USB Audio Analog Stereo", false}},
                                 {{"bitreel_null.monitor", "Monitor of Null Output", false},
                                  {"alsa_input.usb", "USB Audio Line In", true}}),
              "bitreel_null          Null Output  (output, default)\n"
              "alsa_output.usb       USB Audio Analog Stereo  (output)\n"
              "bitreel_null.monitor  Monitor of Null Output  (input)\n"
              "alsa_input.usb        USB Audio Line In  (input, default)\n");
    EXPECT_EQ(AudioDevicesReport({}, {{"mic", "Microphone", true}}),
              "mic  Microphone  (input, default)\n");
}

TEST(DesktopHandover, OnlyAnAudioOptionNeedsTheSoundCard) {
    const struct {
        std::vector<std::string> words; // after the command's name
        bool soundCard;
    } cases[] = {
        {{"--audio", "game.tap"}, true},
        {{"--rate", "48000", "--audio=HDMI", "game.tap"}, true},
        {{"--port", "COM1", "game.tap"}, false},
        {{"--audiobook.tap"}, false},
        // After "--" a word is a file's name, whatever it looks like.
        {{"--", "--audio"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        std::vector<char*> words;
        for (const std::string& word : c.words) {
            words.push_back(const_cast<char*>(word.c_str()));
        }
        EXPECT_EQ(NeedsSoundCard(words), c.soundCard) << ::testing::PrintToString(c.words);
    }
}

TEST(Console, TextIsShownWithoutControls) {
    EXPECT_EQ(
        Latin1ToUtf8(std::string{'\0', '\x1f', ' ', '~', '\x7f', '\x80', '\x9f', '\xa0', '\xff'}),
        "\u2400\u241f ~\u2421\ufffd\ufffd\u00a0\u00ff");
    EXPECT_EQ(ShownLine("\x1b\u0080\u009f\u00a0\u259b\xc3(\xf0\x9f"),
              "\u241b\ufffd\ufffd\u00a0\u259b\ufffd(\ufffd\ufffd");
    EXPECT_EQ(ShownLines("a\r\nb\n"), "a\u240d\nb\n");
}

TEST(PortArgument, ComNamesComeFromTheTableAndPathsStandForThemselves) {
    const PortTable table{{5, "/dev/ttyUSB0"}, {13, "/dev/ttyACM0"}};
    // A device in the current folder, named without a folder.
    const test::TempDir dir;
    std::ofstream(dir / "pc") << "";
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string pc = (dir / "pc").string();
    const struct {
        const char* argument;
        std::optional<std::string> device;
        std::string label;
    } cases[] = {
        {"COM5", "/dev/ttyUSB0", "COM5"},
        {"com13", "/dev/ttyACM0", "COM13"},
        {"COM6", {}, ""},  // no device for it
        {"COM5x", {}, ""}, // not a COM name, and no path
        {"ttyUSB0", {}, ""},
        {"/dev/pts/7", "/dev/pts/7", "/dev/pts/7"},
        {"/dev/serial/by-id/usb-FTDI-if00", "/dev/serial/by-id/usb-FTDI-if00",
         "/dev/serial/by-id/usb-FTDI-if00"},
        {"pc", pc, "pc"},
    };
    for (const auto& c : cases) {
        const auto target = ResolvePort(c.argument, table);
        EXPECT_EQ(target.has_value(), c.device.has_value()) << c.argument;
        if (target) {
            EXPECT_EQ(target->device, *c.device);
            EXPECT_EQ(target->label, c.label);
            EXPECT_EQ(target->table.at(target->number), *c.device);
        }
    }
    std::filesystem::current_path(before);
}

// Each command's options, from usage lines: the command is the first word
// after "bitreel" (or the line's first), an option is "--" and a name.
std::map<std::string, std::set<std::string>>
OptionsByCommand(const std::vector<std::string>& usages, const std::string& dashes) {
    std::map<std::string, std::set<std::string>> options;
    const std::regex option(dashes + "([a-z-]+[a-z])");
    for (const std::string& usage : usages) {
        std::istringstream words(usage);
        std::string command;
        words >> command;
        if (command == "bitreel") {
            words >> command;
        }
        if (!IsCommand(QString::fromStdString(command))) {
            continue; // the window's lines
        }
        std::set<std::string>& found = options[command];
        for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it) {
            found.insert((*it)[1]);
        }
    }
    return options;
}

// The manual's synopsis names every command and option the help does.
TEST(ManPage, SynopsisHoldsEveryCommandAndOptionOfTheHelp) {
    std::vector<std::string> help;
    std::istringstream helpLines(CommandsHelp().toStdString());
    for (std::string line; std::getline(helpLines, line);) {
        if (line.starts_with("  ") && line[2] != ' ') {
            help.push_back(line);
        } else if (line.starts_with("   ") && !help.empty()) {
            help.back() += line;
        }
    }
    std::ifstream man(BITREEL_MAN_PAGE);
    std::vector<std::string> synopsis;
    bool inSynopsis = false;
    for (std::string line; std::getline(man, line);) {
        if (line.starts_with(".SH")) {
            inSynopsis = line == ".SH SYNOPSIS";
        } else if (inSynopsis && line == ".br") {
            synopsis.emplace_back();
        } else if (inSynopsis) {
            if (synopsis.empty()) {
                synopsis.emplace_back();
            }
            // ".B bitreel list" and ".RB [ \-\-json ]": the words without the macro.
            synopsis.back() += " " + line.substr(line.find(' ') + 1);
        }
    }
    ASSERT_FALSE(synopsis.empty());
    EXPECT_EQ(OptionsByCommand(synopsis, R"(\\-\\-)"), OptionsByCommand(help, "--"));
}

TEST(TapeOptions, MachineAndFormatFromOptionsElseFromTheName) {
    const struct {
        QStringList options;
        const char* file;
        std::string error;
        TapeChoice choice;
    } cases[] = {
        {{}, "GAME.TAP", "", {}},
        {{}, "FORTH.JUP", "", {MachineKind::JupiterAce, TapeLayout::AceJup}},
        {{}, "WORDS.dic", "", {MachineKind::JupiterAce, TapeLayout::AceTap}},
        {{"--machine", "ace"}, "GAME.TAP", "", {MachineKind::JupiterAce, TapeLayout::AceTap}},
        {{"--machine", "ACE"}, "GAME.BIN", "", {MachineKind::JupiterAce, TapeLayout::AceJup}},
        {{"--format", "jup"}, "GAME.TAP", "", {MachineKind::JupiterAce, TapeLayout::AceJup}},
        {{"--machine", "spectrum"}, "FORTH.JUP", "", {}},
        {{"--machine", "zx81"}, "GAME.TAP", "--machine zx81: give spectrum or ace", {}},
        {{"--format", "tzx"}, "GAME.TAP", "--format tzx: give jup or tap", {}},
        {{"--machine", "spectrum", "--format", "tap"},
         "GAME.TAP",
         "--format is for the Jupiter Ace; Spectrum images are TAP files",
         {}},
    };
    for (const auto& c : cases) {
        QCommandLineParser parser;
        AddTapeOptions(parser);
        ASSERT_TRUE(parser.parse(QStringList{"bitreel"} + c.options));
        const TapeOptionsParse parsed = ReadTapeOptions(parser);
        EXPECT_EQ(parsed.error, c.error) << c.options.join(' ').toStdString();
        if (c.error.empty()) {
            EXPECT_EQ(ChooseFor(parsed.options, c.file), c.choice)
                << c.options.join(' ').toStdString() << " " << c.file;
        }
    }
}

// The report's line of a port: its name, its device, then its state.
std::string LineOf(const std::string& report, const std::string& name) {
    const std::size_t start = report.find(name + " ");
    if (start == std::string::npos) {
        return {};
    }
    return report.substr(start, report.find('\n', start) - start);
}

TEST(PortsReport, SaysWhichOpenAndWhyNot) {
    test::PtyPair free;
    test::PtyPair held;
    SystemPort holder(SystemPort::DeviceTable(held.Name()), held.Name());
    holder.Open();
    const PortTable table{{1, free.Name()}, {2, "/dev/no-such-tty"}, {13, held.Name()}};
    const std::string report = PortsReport(table);
    const struct {
        const char* name;
        std::string device;
        const char* state;
    } lines[] = {
        {"COM1", free.Name(), "opens"},
        {"COM2", "/dev/no-such-tty", "absent"},
        {"COM13", held.Name(), "in use"},
    };
    for (const auto& want : lines) {
        const std::string line = LineOf(report, want.name);
        EXPECT_NE(line.find(" " + want.device + " "), std::string::npos) << report;
        EXPECT_TRUE(line.ends_with(std::string(" ") + want.state)) << report;
    }
    // The device names line up in one column.
    EXPECT_EQ(LineOf(report, "COM1").find(free.Name()), LineOf(report, "COM13").find(held.Name()));
}

} // namespace
} // namespace bitreel::cli
