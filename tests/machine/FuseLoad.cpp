#include "machine/FuseLoad.h"

#include "FastLoaderImages.h"
#include "support/TempDir.h"

#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bitreel::test {
namespace {

constexpr const char* Fuse = "/usr/bin/fuse-sdl";
constexpr const char* OpenSe = "/usr/share/spectrum-roms/opense.rom";

// OpenSE reads a keyboard row here: B the row's port, A its keys (0 down).
constexpr unsigned KeyScan = 0x0298;
// A JR $ in the OpenSE ROM: the processor parked there, interrupts off,
// while the debugger reads memory.
constexpr unsigned Parked = 0x0CB2;
// The frame the typing starts at, after OpenSE has started.
constexpr unsigned FirstKeyFrame = 150;
constexpr unsigned KeyFrames = 4; // held, then as long released
constexpr unsigned BytesPerStop = 16;

struct Key {
    unsigned row;  // the half-row's port high byte
    unsigned mask; // its bit, 0 where the key is down
};
constexpr Key SymbolShift{0x7F, 0xFD};
// L O A D " " and ENTER; a quote is SYMBOL SHIFT and P.
const std::vector<std::vector<Key>> LoadKeys = {{{0xBF, 0xFD}},
                                                {{0xDF, 0xFD}},
                                                {{0xFD, 0xFE}},
                                                {{0xFD, 0xFB}},
                                                {SymbolShift, {0xDF, 0xFE}},
                                                {SymbolShift, {0xDF, 0xFE}},
                                                {{0xBF, 0xFE}}};

std::string Hex(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The debugger's script: the keys, the tape's start, the tail's last step,
// then at the program's first instruction its registers and ports, and
// every bank parked in turn at 0xC000 on a 128.
std::string Script(std::uint16_t tailRet, std::uint16_t pc, bool is128, bool plus2a) {
    std::ostringstream s;
    int id = 0;
    auto on = [&](const std::string& where, const std::vector<std::string>& commands) {
        if (id != 0) {
            s << '\n';
        }
        ++id;
        s << "break " << where << "\ncommands " << id;
        for (const std::string& command : commands) {
            s << '\n' << command;
        }
        s << "\nend";
    };
    const std::string keyScan = Hex(KeyScan);
    if (is128) {
        // The 48 BASIC ROM's place, where FUSE's tape trap looks.
        std::vector<std::string> paging = {"out 0x7FFD 0x10", "continue"};
        if (plus2a) {
            paging.insert(paging.begin(), "out 0x1FFD 0x04");
        }
        on(keyScan + " if z80:b==0xFE && spectrum:frames==" + std::to_string(FirstKeyFrame - 20),
           paging);
    }
    unsigned frame = FirstKeyFrame;
    for (const auto& keys : LoadKeys) {
        for (const Key& key : keys) {
            on(keyScan + " if z80:b==" + Hex(key.row) +
                   " && spectrum:frames>=" + std::to_string(frame) + " && spectrum:frames<" +
                   std::to_string(frame + KeyFrames),
               {"set z80:a z80:a&" + Hex(key.mask), "continue"});
        }
        frame += 2 * KeyFrames;
    }
    s << "\ntbreak event tape:play\ncommands " << ++id
      << "\nset $pt spectrum:frames\nset $pu ula:tstates\ncontinue\nend";
    on(Hex(tailRet), {"set $go 1", "continue"});
    std::vector<std::string> report = {"print $pt", "print $pu", "print spectrum:frames",
                                       "print ula:tstates"};
    for (const char* reg : {"af", "bc", "de", "hl", "af'", "bc'", "de'", "hl'", "ix", "iy", "sp",
                            "pc", "i", "r", "im", "iff1", "iff2"}) {
        report.push_back(std::string("print z80:") + reg);
    }
    report.push_back("print ula:last");
    report.push_back(is128 ? "print ula:mem7ffd" : "print 0");
    report.push_back(plus2a ? "print ula:mem1ffd" : "print 0");
    for (const char* step : {"set z80:iff1 0", "set z80:iff2 0", "set $ptr 0x4000", "set $nk 0"}) {
        report.push_back(step);
    }
    report.push_back("set z80:pc " + Hex(Parked));
    report.push_back("continue");
    on(Hex(pc) + " if $go==1", report);
    std::vector<std::string> dump;
    for (unsigned i = 0; i < BytesPerStop; ++i) {
        dump.push_back("print [$ptr+" + std::to_string(i) + "]");
    }
    dump.push_back("set $ptr ($ptr+" + std::to_string(BytesPerStop) + ")");
    dump.push_back("continue");
    const std::string parked = Hex(Parked) + " if ";
    on(parked + "$ptr<0x10000", dump);
    if (is128) {
        // out takes a number only: one stop for each bank.
        for (unsigned bank = 0; bank < 8; ++bank) {
            on(parked + "$ptr==0x10000 && $nk==" + std::to_string(bank),
               {"out 0x7FFD " + Hex(0x10 | bank), "set $nk " + std::to_string(bank + 1),
                "set $ptr 0xC000", "continue"});
        }
        on(parked + "$ptr==0x10000 && $nk==8", {"exit"});
    } else {
        on(parked + "$ptr==0x10000", {"exit"});
    }
    return s.str();
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    }
    return out;
}

// Runs argv with HOME at home and its output into a file, killed after
// seconds; what it printed.
std::string RunKilledAfter(const std::vector<std::string>& args, const std::filesystem::path& home,
                           double seconds) {
    const std::filesystem::path output = home / "output.txt";
    // Spawned, not forked: the benchmark runs the harness on another thread
    // meanwhile, and the environment is made here, before the child exists.
    std::vector<std::string> environment = {"HOME=" + home.string(), "SDL_VIDEODRIVER=dummy",
                                            "SDL_AUDIODRIVER=dummy"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("HOME=") && !entry.starts_with("SDL_")) {
            environment.emplace_back(entry);
        }
    }
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> out;
        for (std::string& text : strings) {
            out.push_back(text.data());
        }
        out.push_back(nullptr);
        return out;
    };
    std::vector<std::string> argStrings = args;
    const std::vector<char*> argv = pointers(argStrings);
    const std::vector<char*> envp = pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return std::string("cannot start ") + argv[0] + ": " + std::strerror(spawned);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::ifstream in(output);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

std::string FuseMissing() {
    for (const char* file : {Fuse, OpenSe}) {
        if (!std::filesystem::exists(file)) {
            return std::string(file) +
                   " is not installed (Debian: fuse-emulator-sdl, opense-basic)";
        }
    }
    return {};
}

FuseOutcome LoadInFuse(const fastload::LoadingTape& tape, const Snapshot& snapshot,
                       const Playback& playback, double wallSeconds) {
    const bool is128 = Is128K(snapshot.model);
    const bool plus2a = HasPort1ffd(snapshot.model);
    const auto tailRet = static_cast<std::uint16_t>(tape.plan.tailAt + loader::fastmain::tei + 1 -
                                                    loader::fastmain::tail);
    TempDir home;
    const std::filesystem::path wav = home / "load.wav";
    WriteLoadingWav(tape, playback, wav);
    {
        // The script goes in FUSE's settings file: a command line holds less.
        std::ofstream settings(home / ".fuserc");
        settings << "<?xml version=\"1.0\"?>\n<settings><debuggercommand>"
                 << XmlEscaped(Script(tailRet, snapshot.regs.pc, is128, plus2a))
                 << "</debuggercommand></settings>\n";
    }
    std::vector<std::string> args = {"stdbuf", "-oL", Fuse, "--machine",
                                     plus2a  ? "plus2a"
                                     : is128 ? "128"
                                             : "48"};
    const std::vector<const char*> roms =
        plus2a  ? std::vector<const char*>{"--rom-plus2a-0", "--rom-plus2a-1", "--rom-plus2a-2",
                                           "--rom-plus2a-3"}
        : is128 ? std::vector<const char*>{"--rom-128-0", "--rom-128-1"}
                : std::vector<const char*>{"--rom-48"};
    for (const char* rom : roms) {
        args.insert(args.end(), {rom, OpenSe});
    }
    args.insert(args.end(),
                {"--traps", "--no-detect-loader", "--no-fastload", "--no-accelerate-loader",
                 "--no-auto-load", "--no-sound", "--speed", "100000", "--tape", wav.string()});
    const std::string output = RunKilledAfter(args, home.path(), wallSeconds);

    // Every number the debugger printed, in order.
    std::vector<unsigned> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("0x", 0) == 0) {
            values.push_back(static_cast<unsigned>(std::stoul(line, nullptr, 16)));
        }
    }
    constexpr std::size_t Header = 24;
    const std::size_t want = Header + 0xC000 + (is128 ? 8 * BankSize : 0);
    FuseOutcome outcome;
    if (values.size() != want) {
        outcome.log = output.substr(0, 4000);
        return outcome;
    }
    outcome.reachedProgram = true;
    const double clock = is128 ? 3'546'900 : 3'500'000;
    const unsigned frame = is128 ? 70'908 : 69'888;
    // FUSE's WAV reader: whole T-states of a 3.5 MHz clock a sample.
    const double rate = std::round(playback.rate * playback.speed);
    const double lead = WavLeadSeconds * rate * std::floor(3'500'000.0 / rate);
    const double tstates = (double(values[2]) - values[0]) * frame + values[3] - values[1] - lead;
    outcome.seconds = tstates / clock;

    EndState got;
    got.model = plus2a  ? SpectrumModel::Plus2A
                : is128 ? SpectrumModel::Spectrum128
                        : SpectrumModel::Spectrum48;
    const unsigned* v = values.data() + 4;
    Z80Registers& r = got.regs;
    for (std::uint16_t* reg :
         {&r.af, &r.bc, &r.de, &r.hl, &r.af2, &r.bc2, &r.de2, &r.hl2, &r.ix, &r.iy, &r.sp, &r.pc}) {
        *reg = static_cast<std::uint16_t>(*v++);
    }
    r.i = static_cast<std::uint8_t>(*v++);
    r.r = static_cast<std::uint8_t>(*v++);
    r.im = static_cast<std::uint8_t>(*v++);
    r.iff1 = *v++ != 0;
    r.iff2 = *v++ != 0;
    got.border = static_cast<std::uint8_t>(*v++ & 7);
    got.port7ffd = static_cast<std::uint8_t>(*v++);
    const auto port1ffd = static_cast<std::uint8_t>(*v++);
    if (plus2a) {
        got.port1ffd = port1ffd;
    }
    const std::size_t paged = got.port7ffd & 7u;
    const unsigned* memory = values.data() + Header;
    for (std::size_t i = 0; i < 0xC000; ++i) {
        const std::size_t bank = i < 0x4000 ? 5 : i < 0x8000 ? 2 : paged;
        got.banks[bank][i % BankSize] = static_cast<std::uint8_t>(memory[i]);
    }
    if (is128) {
        // Paging locked: the banks parked were the one paged each time.
        const bool locked = (got.port7ffd & 0x20) != 0;
        for (std::size_t bank = 0; bank < 8; ++bank) {
            got.banksShown[bank] = !locked || bank == 5 || bank == 2 || bank == paged;
            if (!locked) {
                for (std::size_t i = 0; i < BankSize; ++i) {
                    got.banks[bank][i] =
                        static_cast<std::uint8_t>(memory[0xC000 + bank * BankSize + i]);
                }
            }
        }
    }
    outcome.differences = Differences(got, snapshot);
    return outcome;
}

} // namespace bitreel::test
