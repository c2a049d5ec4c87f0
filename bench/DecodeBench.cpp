// Recordings read back. The corpus is rendered by two renderers, Bitreel's
// own and Debian's tape2wav (its WAV read through libsndfile), for both
// machines: the Jupiter Ace's tapes only where tape2wav plays them as the
// Ace's (checked on its clean sound). Each set of sounds is then degraded
// at fixed seeds, one way at a time and in one combined row, and the blocks
// recovered byte for byte are counted, by Bitreel and by audio2tape, which
// reads the Spectrum's encoding only; then white noise from 30 dB down to
// 0 dB; then three takes of each tape, each with dropouts in other places,
// merged by rescue. Every sound is clipped to full scale as a WAV file
// holds it, and both decoders read the same one.
//
// audio2tape takes about 10 s of CPU for one pass over the Spectrum's
// corpus (about 5 minutes of sound). It reads both renderers' Spectrum
// sound in every row (on tape2wav's it loses the first and last block of
// every tape even clean); in the noise table it runs down to the first
// level where it recovers nothing of the Spectrum's tapes as Bitreel plays
// them. Dropouts come
// every 2 to 6 seconds, in pilots, pauses and bits alike. Two audio2tape
// processes run at once beside Bitreel's decoding; every time is CPU time
// on one core (audio2tape's: its whole run, reading the WAV included).
//
// The goals' verdicts come last, from the numbers above them. The exit
// status is 0 unless a tool crashes.
//   decode_bench [AUDIO2TAPE [TAPE2WAV]]  (both found at build time when not given;
//                                          "" for none)
#include "signal/decode/RecordingReader.h"
#include "signal/rescue/RescueTakes.h"
#include "support/Degradations.h"
#include "support/RenderedTape.h"

#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace bitreel;
using namespace bitreel::test;
constexpr std::uint32_t Rate = 44'100;
constexpr std::size_t ToolJobs = 2;

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double Seconds(const timeval& time) {
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

std::vector<BlockBytes> BlocksRead(const DecodedTape& tape) {
    std::vector<BlockBytes> got;
    for (const auto& b : tape.blocks) {
        got.push_back(b.bytes);
    }
    return got;
}

// A program started with its output to /dev/null; 0 when it cannot start.
pid_t Start(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// How a tool's run ended.
struct Ended {
    bool succeeded = false;
    bool crashed = false; // killed by a signal
    double cpuSeconds = 0;
};

Ended Reaped(int status, const rusage& usage) {
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, WIFSIGNALED(status),
            Seconds(usage.ru_utime) + Seconds(usage.ru_stime)};
}

std::optional<std::string> crashedTool; // the first tool that crashed, and on what

void NoteCrash(const Ended& ended, const std::string& what) {
    if (ended.crashed && !crashedTool) {
        crashedTool = what;
    }
}

// tape2wav's sound of a tape image at Rate, through libsndfile, its first
// channel; empty when it writes none.
std::vector<float> Tape2wavSound(const std::string& tool, const fs::path& tap,
                                 const fs::path& dir) {
    const fs::path wav = dir / "tape2wav.wav";
    fs::remove(wav);
    const pid_t pid = Start({tool, "-r", std::to_string(Rate), tap.string(), wav.string()});
    int status = 0;
    rusage usage{};
    if (pid == 0 || wait4(pid, &status, 0, &usage) != pid) {
        return {};
    }
    NoteCrash(Reaped(status, usage), "tape2wav on " + tap.filename().string());
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    if (file == nullptr || info.samplerate != int(Rate) || info.channels < 1) {
        if (file != nullptr) {
            sf_close(file);
        }
        return {};
    }
    std::vector<float> frames(std::size_t(info.frames) * std::size_t(info.channels));
    const auto read = sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    std::vector<float> samples;
    for (sf_count_t i = 0; i < read; ++i) {
        samples.push_back(frames[std::size_t(i) * std::size_t(info.channels)]);
    }
    return samples;
}

// One machine's corpus as one renderer plays it.
struct TapeSet {
    std::string name;
    MachineKind machine;
    std::vector<RenderedTape> tapes;
    std::size_t blocks = 0;
    double seconds = 0; // of sound
};

void Add(TapeSet& set, RenderedTape tape) {
    set.blocks += tape.blocks.size();
    set.seconds += double(tape.samples.size()) / Rate;
    set.tapes.push_back(std::move(tape));
}

std::vector<fs::path> Corpus(const char* machine) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / machine)) {
        if (IsTapFile(entry.path().string())) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What one row made of one set.
struct Count {
    std::size_t ours = 0;
    double ourSeconds = 0;
    bool theirsRan = false;
    std::size_t theirs = 0;
    double theirSeconds = 0;
};

// audio2tape run on sounds, at most ToolJobs at once, each counted into its
// row's cell when it ends.
class Audio2tapeRuns {
public:
    Audio2tapeRuns(std::string tool, fs::path dir) : tool_(std::move(tool)), dir_(std::move(dir)) {}

    void Run(const std::vector<float>& samples, const std::vector<BlockBytes>& want, Count& count,
             const std::vector<std::string>& options = {}) {
        while (running_.size() >= ToolJobs) {
            ReapOne();
        }
        count.theirsRan = true;
        const std::string stem = "job" + std::to_string(++jobs_);
        Job job{dir_ / (stem + ".wav"), dir_ / (stem + ".tzx"), &want, &count};
        WriteWav(job.wav, samples, Rate);
        std::vector<std::string> args{tool_};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {job.wav.string(), job.tzx.string()});
        const pid_t pid = Start(args);
        if (pid == 0) {
            fs::remove(job.wav);
            return;
        }
        running_.emplace(pid, std::move(job));
    }

    void Finish() {
        while (!running_.empty()) {
            ReapOne();
        }
    }

    ~Audio2tapeRuns() { Finish(); }

private:
    struct Job {
        fs::path wav, tzx;
        const std::vector<BlockBytes>* want;
        Count* count;
    };

    void ReapOne() {
        int status = 0;
        rusage usage{};
        const pid_t pid = wait4(-1, &status, 0, &usage);
        const auto found = running_.find(pid);
        if (found == running_.end()) {
            running_.clear(); // no child left to wait for
            return;
        }
        const Job& job = found->second;
        const Ended ended = Reaped(status, usage);
        NoteCrash(ended, "audio2tape");
        job.count->theirSeconds += ended.cpuSeconds;
        if (ended.succeeded && fs::exists(job.tzx)) {
            job.count->theirs += ExactBlocks(*job.want, Audio2tapeOutput(job.tzx));
        }
        fs::remove(job.wav);
        fs::remove(job.tzx);
        running_.erase(found);
    }

    std::string tool_;
    fs::path dir_;
    std::map<pid_t, Job> running_;
    unsigned jobs_ = 0;
};

using Degrade = std::function<void(Sound&, MachineKind)>;

struct Degradation {
    std::string name;
    Degrade degrade;
};

// A dropout every 2 to 6 seconds, at the seed, of a length from shortest
// to longest ms: in pilots, pauses and bits alike. Gives how many.
std::size_t AddDropouts(Sound& s, double shortest, double longest, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> gap(2.0, 6.0);
    std::uniform_real_distribution<double> length(shortest, longest);
    std::size_t count = 0;
    for (double at = gap(random); at * Rate < double(s.size()); at += gap(random)) {
        AddDropout(s, std::size_t(at * Rate), length(random), Rate);
        ++count;
    }
    return count;
}

Degrade Dropouts(double ms) {
    return [ms](Sound& s, MachineKind) { (void)AddDropouts(s, ms, ms, 100); };
}

// Wow at 0.5 Hz of three quarters of the depth and flutter at 8 Hz of the
// rest.
void WowAndFlutter(Sound& s, double depth) {
    Wow(s, depth * 0.75, 0.5, Rate);
    Wow(s, depth * 0.25, 8, Rate);
}

std::vector<Degradation> Degradations() {
    const auto level = [](double db) { return std::pow(10, db / 20); };
    return {
        {"clean", [](Sound&, MachineKind) {}},
        {"low-pass 6 kHz", [](Sound& s, MachineKind) { LowPass(s, 6000, Rate); }},
        {"low-pass 4 kHz", [](Sound& s, MachineKind) { LowPass(s, 4000, Rate); }},
        {"low-pass 3 kHz", [](Sound& s, MachineKind) { LowPass(s, 3000, Rate); }},
        {"wow+flutter 0.5%", [](Sound& s, MachineKind) { WowAndFlutter(s, 0.005); }},
        {"wow+flutter 1%", [](Sound& s, MachineKind) { WowAndFlutter(s, 0.01); }},
        {"wow+flutter 3%", [](Sound& s, MachineKind) { WowAndFlutter(s, 0.03); }},
        {"speed +8%", [](Sound& s, MachineKind) { Speed(s, 1.08); }},
        {"speed -8%", [](Sound& s, MachineKind) { Speed(s, 0.92); }},
        {"DC offset 0.25", [](Sound& s, MachineKind) { Offset(s, 0.25f); }},
        {"hum 50 Hz 0.3", [](Sound& s, MachineKind) { Hum(s, 50, 0.3, Rate); }},
        {"polarity inverted", [](Sound& s, MachineKind) { Scale(s, -1); }},
        {"clipped (x4, at 0.7)", [](Sound& s, MachineKind) { Scale(s, 4), Clip(s, 0.7f); }},
        {"level -30 dB", [=](Sound& s, MachineKind) { Scale(s, level(-30)); }},
        {"dropouts 1 ms", Dropouts(1)},
        {"dropouts 5 ms", Dropouts(5)},
        {"dropouts 20 ms", Dropouts(20)},
        {"4k+1%+20dB+hum",
         [](Sound& s, MachineKind) {
             WowAndFlutter(s, 0.01);
             LowPass(s, 4000, Rate);
             AddNoise(s, 20);
             Hum(s, 50, 0.3, Rate);
         }},
    };
}

struct Row {
    std::string name;
    std::vector<Count> cells; // one a set
};

// Every set degraded one way, read by Bitreel and (in the sets asked) by
// audio2tape.
void Measure(std::vector<TapeSet>& sets, const Degrade& degrade, Row& row,
             const std::vector<bool>& theirs, Audio2tapeRuns* tool,
             const std::vector<std::string>& options = {}, bool ours = true) {
    for (std::size_t k = 0; k < sets.size(); ++k) {
        for (const RenderedTape& tape : sets[k].tapes) {
            auto samples = tape.samples;
            degrade(samples, sets[k].machine);
            Clip(samples, 1.0f);
            if (ours) {
                const double start = ThreadSeconds();
                const auto read = DecodeSamples(samples, 1, Rate, sets[k].machine);
                row.cells[k].ourSeconds += ThreadSeconds() - start;
                row.cells[k].ours += ExactBlocks(tape.blocks, BlocksRead(read.tape));
            }
            if (tool != nullptr && theirs[k]) {
                tool->Run(samples, tape.blocks, row.cells[k], options);
            }
        }
    }
}

// audio2tape's trigger settings: its default (a Schmitt trigger at noise
// level 8 of 127), the simple trigger, and Schmitt triggers lower and higher.
const std::vector<std::vector<std::string>> Triggers = {
    {}, {"-t", "simple"}, {"-c", "2"}, {"-c", "4"}, {"-c", "16"}};

// A worn tape: shallow dropouts of 2 to 8 ms every 0.5 to 2 s, from
// shallowest to deepest dB down, over tape hiss 40 dB down.
constexpr double WornHissDb = 40;
Degrade Worn(double shallowest, double deepest) {
    return [=](Sound& s, MachineKind) { (void)WornTape(s, shallowest, deepest, WornHissDb, Rate); };
}

std::string Cell(const Count& c, const TapeSet& set, bool theirs) {
    char text[64];
    if (!theirs) {
        std::snprintf(text, sizeof text, "%3zu %5.0fx", c.ours, set.seconds / c.ourSeconds);
    } else if (!c.theirsRan) {
        std::snprintf(text, sizeof text, "%10s", "-");
    } else {
        std::snprintf(text, sizeof text, "%3zu %5.1fs", c.theirs, c.theirSeconds);
    }
    return text;
}

void PrintTable(const char* first, const std::vector<TapeSet>& sets, const std::vector<Row>& rows) {
    std::printf("%-20s", first);
    for (const TapeSet& set : sets) {
        std::printf(" | %-21s", (set.name + " (" + std::to_string(set.blocks) + ")").c_str());
    }
    std::printf("\n%-20s", "");
    for (std::size_t k = 0; k < sets.size(); ++k) {
        std::printf(" | %-10s %-10s", "Bitreel", "audio2tape");
    }
    std::printf("\n");
    for (const Row& row : rows) {
        std::printf("%-20s", row.name.c_str());
        for (std::size_t k = 0; k < sets.size(); ++k) {
            std::printf(" | %s %s", Cell(row.cells[k], sets[k], false).c_str(),
                        Cell(row.cells[k], sets[k], true).c_str());
        }
        std::printf("\n");
    }
}

// Three takes of each tape, each with a dropout of 1 to 20 ms every few
// seconds at places of its own and noise at 30 dB: the blocks each take
// reads alone, and the blocks rescue makes of the three.
struct TakesResult {
    std::size_t total = 0, merged = 0, dropouts = 0;
    std::size_t alone[3] = {};
};

TakesResult ThreeTakes(const TapeSet& set) {
    constexpr int Takes = 3;
    TakesResult result;
    for (const RenderedTape& tape : set.tapes) {
        std::vector<DecodedRecording> takes;
        for (int t = 0; t < Takes; ++t) {
            auto samples = tape.samples;
            result.dropouts += AddDropouts(samples, 1, 20, 100 + unsigned(t));
            AddNoise(samples, 30, 7 + unsigned(t));
            takes.push_back(DecodeSamples(samples, 1, Rate, set.machine));
            result.alone[t] += ExactBlocks(tape.blocks, BlocksRead(takes.back().tape));
        }
        std::vector<BlockBytes> got;
        for (const auto& b : RescueTakes(takes)) {
            got.push_back(b.block.bytes);
        }
        result.total += tape.blocks.size();
        result.merged += ExactBlocks(tape.blocks, got);
    }
    return result;
}

// The lowest SNR from which up every level recovers at least 90% of total;
// none when even the first does not.
std::optional<double> NinetyPercent(const std::vector<double>& levels,
                                    const std::vector<std::size_t>& got, std::size_t total) {
    std::optional<double> lowest;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] * 10 < total * 9) {
            break;
        }
        lowest = levels[i];
    }
    return lowest;
}

const char* Verdict(bool met) {
    return met ? "met" : "NOT MET";
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string audio2tape = argc > 1 ? argv[1] : BITREEL_AUDIO2TAPE;
    const std::string tape2wav = argc > 2 ? argv[2] : BITREEL_TAPE2WAV;
    const bool haveAudio2tape = !audio2tape.empty() && fs::exists(audio2tape);
    const bool haveTape2wav = !tape2wav.empty() && fs::exists(tape2wav);
    const fs::path dir =
        fs::temp_directory_path() / ("bitreel_decode_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("audio2tape: %s\ntape2wav: %s\n",
                haveAudio2tape ? audio2tape.c_str() : "not installed (fuse-emulator-utils)",
                haveTape2wav ? tape2wav.c_str() : "not installed (fuse-emulator-utils)");

    std::vector<TapeSet> sets;
    sets.push_back({"Spectrum, Bitreel", MachineKind::Spectrum, {}});
    for (const auto& file : Corpus("spectrum")) {
        Add(sets.back(), RenderTape(file, MachineKind::Spectrum, Rate));
    }
    sets.push_back({"Ace, Bitreel", MachineKind::JupiterAce, {}});
    for (const auto& file : Corpus("ace")) {
        Add(sets.back(), RenderTape(file, MachineKind::JupiterAce, Rate));
    }
    if (haveTape2wav) {
        for (const auto& [machine, folder] :
             {std::pair{MachineKind::Spectrum, "spectrum"}, {MachineKind::JupiterAce, "ace"}}) {
            TapeSet set{machine == MachineKind::Spectrum ? "Spectrum, tape2wav" : "Ace, tape2wav",
                        machine,
                        {}};
            for (const auto& file : Corpus(folder)) {
                TapeImage image(file, machine, LayoutInForce(machine, "TAP"));
                image.IndexAll();
                Add(set, {Tape2wavSound(tape2wav, file, dir), SentBlocks(image)});
            }
            if (machine == MachineKind::JupiterAce) {
                // Kept only when its clean sound reads as the Ace's.
                std::size_t asAce = 0, asSpectrum = 0, spectrumBlocks = 0;
                for (const RenderedTape& tape : set.tapes) {
                    const auto ace = DecodeSamples(tape.samples, 1, Rate, machine);
                    asAce += ExactBlocks(tape.blocks, BlocksRead(ace.tape));
                    const auto spectrum =
                        DecodeSamples(tape.samples, 1, Rate, MachineKind::Spectrum);
                    spectrumBlocks += spectrum.tape.blocks.size();
                    for (const auto& b : spectrum.tape.blocks) {
                        asSpectrum += b.checksumGood ? 1 : 0;
                    }
                }
                if (asAce < set.blocks) {
                    std::printf("tape2wav on the Ace's TAP files: %zu of their %zu blocks read "
                                "as the Ace's from its sound, %zu good blocks of %zu as the "
                                "Spectrum's: it plays them as Spectrum tapes, so the Ace is "
                                "left out for tape2wav\n",
                                asAce, set.blocks, asSpectrum, spectrumBlocks);
                    continue;
                }
            }
            sets.push_back(std::move(set));
        }
    }
    // audio2tape reads the Spectrum's sets in every row; the noise table
    // runs it until it recovers nothing of the Spectrum's tapes as Bitreel
    // plays them, the one of the two renderings it reads every block of
    // clean.
    constexpr std::size_t reference = 0;
    std::vector<bool> theirs(sets.size(), false);
    for (std::size_t k = 0; k < sets.size(); ++k) {
        theirs[k] = haveAudio2tape && sets[k].machine == MachineKind::Spectrum;
    }
    std::printf("sound: ");
    for (const TapeSet& set : sets) {
        std::printf("%s %zu tapes %.0f s; ", set.name.c_str(), set.tapes.size(), set.seconds);
    }
    std::printf("\n\n");

    std::optional<Audio2tapeRuns> tool;
    if (haveAudio2tape) {
        tool.emplace(audio2tape, dir);
    }
    std::vector<Row> rows;
    for (const Degradation& d : Degradations()) {
        rows.push_back({d.name, std::vector<Count>(sets.size())});
    }
    std::size_t r = 0;
    for (const Degradation& d : Degradations()) {
        Measure(sets, d.degrade, rows[r++], theirs, tool ? &*tool : nullptr);
    }
    if (tool) {
        tool->Finish();
    }
    std::printf("Blocks recovered byte for byte (of the blocks in the header); Bitreel's decode "
                "as a multiple of real time, audio2tape's CPU seconds for the row\n");
    PrintTable("Degradation", sets, rows);

    // White noise: audio2tape down to the first level where it recovers none.
    const std::vector<double> levels = {30, 20, 15, 14, 13, 12, 11, 10, 9,
                                        8,  7,  6,  5,  4,  3,  2,  1,  0};
    std::vector<Row> noise;
    bool audio2tapeGone = false;
    for (const double snr : levels) {
        noise.push_back({std::to_string(int(snr)) + " dB", std::vector<Count>(sets.size())});
        const bool run = tool && !audio2tapeGone;
        Measure(
            sets, [snr](Sound& s, MachineKind) { AddNoise(s, snr); }, noise.back(), theirs,
            run ? &*tool : nullptr);
        if (run) {
            tool->Finish();
            audio2tapeGone = noise.back().cells[reference].theirs == 0;
        }
    }
    std::printf("\nWhite noise (\"-\": not run, none recovered at a higher SNR)\n");
    PrintTable("SNR", sets, noise);

    // Worn tapes: audio2tape at each trigger setting, its best kept per cell.
    struct WornRow {
        double shallowest, deepest;
    };
    const std::vector<WornRow> wornRows = {{12, 24}, {24, 34}, {12, 40}};
    std::vector<Row> worn;
    for (const WornRow& w : wornRows) {
        char name[32];
        std::snprintf(name, sizeof name, "worn %.0f-%.0f dB", w.shallowest, w.deepest);
        worn.push_back({name, std::vector<Count>(sets.size())});
        Measure(sets, Worn(w.shallowest, w.deepest), worn.back(), theirs, nullptr);
        for (std::size_t t = 0; tool && t < Triggers.size(); ++t) {
            Row setting{name, std::vector<Count>(sets.size())};
            Measure(sets, Worn(w.shallowest, w.deepest), setting, theirs, &*tool, Triggers[t],
                    false);
            tool->Finish();
            for (std::size_t k = 0; k < sets.size(); ++k) {
                Count& best = worn.back().cells[k];
                best.theirsRan = best.theirsRan || setting.cells[k].theirsRan;
                best.theirs = std::max(best.theirs, setting.cells[k].theirs);
                best.theirSeconds += setting.cells[k].theirSeconds;
            }
        }
    }
    std::printf("\nWorn tape: shallow dropouts of 2-8 ms every 0.5-2 s over hiss %.0f dB down; "
                "audio2tape's best of %zu trigger settings (default, -t simple, -c 2, 4, 16), its "
                "time for all of them\n",
                WornHissDb, Triggers.size());
    PrintTable("Dropouts", sets, worn);

    std::printf("\nThree takes of each tape, each with dropouts of 1-20 ms every 2-6 s in "
                "places of its own and noise at 30 dB:\n");
    bool takesMerged = true;
    for (const TapeSet& set : sets) {
        const TakesResult t = ThreeTakes(set);
        std::printf("  %-20s %4zu dropouts: alone %zu, %zu, %zu of %zu blocks; merged %zu of %zu\n",
                    set.name.c_str(), t.dropouts, t.alone[0], t.alone[1], t.alone[2], t.total,
                    t.merged, t.total);
        takesMerged = takesMerged && t.merged == t.total;
    }
    fs::remove_all(dir);

    // The goals, from the numbers above.
    std::printf("\nGoals:\n");
    bool everyClean = true;
    std::string clean;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        everyClean = everyClean && rows[0].cells[k].ours == sets[k].blocks;
        clean += " " + sets[k].name + " " + std::to_string(rows[0].cells[k].ours) + "/" +
                 std::to_string(sets[k].blocks) + ";";
    }
    std::printf("  every block of every clean recording:%s %s%s\n", clean.c_str(),
                Verdict(everyClean), haveTape2wav ? "" : " (tape2wav not installed)");

    if (haveAudio2tape) {
        std::string fewer;
        std::size_t compared = 0;
        for (const auto* table : {&rows, &noise, &worn}) {
            for (const Row& row : *table) {
                for (std::size_t k = 0; k < sets.size(); ++k) {
                    const Count& c = row.cells[k];
                    if (c.theirsRan) {
                        ++compared;
                        if (c.ours < c.theirs) {
                            fewer += " " + row.name + " (" + sets[k].name + ": " +
                                     std::to_string(c.ours) + " < " + std::to_string(c.theirs) +
                                     ");";
                        }
                    }
                }
            }
        }
        std::printf("  never fewer blocks than audio2tape (%zu cells): %s\n", compared,
                    fewer.empty() ? "met" : "NOT MET, fewer at:");
        if (!fewer.empty()) {
            std::printf("   %s\n", fewer.c_str());
        }

        std::vector<std::size_t> ours, others;
        for (const Row& row : noise) {
            ours.push_back(row.cells[reference].ours);
            if (row.cells[reference].theirsRan) {
                others.push_back(row.cells[reference].theirs);
            }
        }
        const auto theirLevel = NinetyPercent(levels, others, sets[reference].blocks);
        const auto ourLevel = NinetyPercent(levels, ours, sets[reference].blocks);
        const auto text = [](const std::optional<double>& db) {
            return db ? std::to_string(int(*db)) + " dB" : std::string("never");
        };
        std::printf("  90%% of the blocks (%s, to the table's steps): audio2tape down to %s, "
                    "Bitreel down to %s",
                    sets[reference].name.c_str(), text(theirLevel).c_str(), text(ourLevel).c_str());
        if (theirLevel && ourLevel) {
            const double margin = *theirLevel - *ourLevel;
            std::printf(": %.0f dB more noise (goal 6 dB): %s\n", margin, Verdict(margin >= 6));
        } else {
            std::printf(": no margin to measure\n");
        }
    } else {
        std::printf("  never fewer blocks than audio2tape, and its 90%% noise level: not "
                    "measured, audio2tape not installed\n");
    }
    // Every block where the dropouts stay 6 dB above the hiss: the rows
    // whose deepest dropout is so.
    bool wornWhole = true;
    for (std::size_t r = 0; r < wornRows.size(); ++r) {
        for (std::size_t k = 0; k < sets.size(); ++k) {
            if (wornRows[r].deepest <= WornHissDb - 6) {
                wornWhole = wornWhole && worn[r].cells[k].ours == sets[k].blocks;
            }
        }
    }
    std::printf("  every block of a worn tape whose dropouts stay 6 dB above the hiss: %s\n",
                Verdict(wornWhole));
    std::printf("  three takes merged into every block: %s\n", Verdict(takesMerged));

    double sound = 0, decoding = 0, theirSound = 0, theirDecoding = 0;
    for (const auto* table : {&rows, &noise}) {
        for (const Row& row : *table) {
            for (std::size_t k = 0; k < sets.size(); ++k) {
                sound += sets[k].seconds;
                decoding += row.cells[k].ourSeconds;
                if (row.cells[k].theirsRan) {
                    theirSound += sets[k].seconds;
                    theirDecoding += row.cells[k].theirSeconds;
                }
            }
        }
    }
    std::printf("  speed: Bitreel decodes at %.0f times real time on one core (goal 200): %s",
                sound / decoding, Verdict(sound / decoding >= 200));
    if (theirDecoding > 0) {
        std::printf("; audio2tape at %.0f (its whole run)", theirSound / theirDecoding);
    }
    std::printf("\n");
    if (crashedTool) {
        std::printf("a tool crashed: %s\n", crashedTool->c_str());
        return 1;
    }
    return 0;
}
