// Times writing tapes as sound, against Debian's tape2wav on the same files
// in the same run, and gives each run's peak resident memory:
//  - every tape of tests/data/corpus as a WAV file, `bitreel convert` and
//    tape2wav (the Spectrum tapes; it reads no Jupiter Ace TAP) each a whole
//    process writing a real file into a temporary folder, the median of
//    three runs;
//  - a 1 MiB TAP of data blocks (about 100 minutes of sound) the same way;
//  - a 64 MiB TAP of data blocks, about 100 hours of sound: too long for a
//    WAV file (4 GiB) and, for tape2wav, which holds the whole sound in
//    memory, some 17 GB. Bitreel renders it at 44,100 Hz in a child process
//    of this program through the image's pulse stream into a writer that
//    discards the samples, so that its time is the rendering alone.
// Exits 1 when Bitreel takes longer than tape2wav over the files both
// write, when its peak memory passes 200 MB, or when a run fails.
//   audio_bench BITREEL [TAPE2WAV]
#include "BenchImages.h"
#include "signal/render/TapeAudioFile.h"
#include "tape/TapeImage.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr long BudgetMegabytes = 200;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
    bool succeeded = false;
};

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Runs work in a child process, its output to /dev/null; the child's own
// resource use comes from wait4.
Run InChild(const std::function<int()>& work) {
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::_Exit(work());
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.peakKilobytes = usage.ru_maxrss;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

Run ProgramOnce(std::vector<std::string> args) {
    return InChild([&] {
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        return 127;
    });
}

// The run of median wall time of three, with the largest peak: the machine
// may be busy with other work now and then.
Run Program(const std::vector<std::string>& args) {
    std::vector<Run> runs;
    long peak = 0;
    bool succeeded = true;
    for (int i = 0; i < 3; ++i) {
        runs.push_back(ProgramOnce(args));
        peak = std::max(peak, runs.back().peakKilobytes);
        succeeded = succeeded && runs.back().succeeded;
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    Run median = runs[1];
    median.peakKilobytes = peak;
    median.succeeded = succeeded;
    return median;
}

// Counts the samples, keeps none.
struct Discard final : bitreel::SampleSink {
    void Write(std::span<const std::int16_t> samples) override { count += samples.size(); }
    std::uint64_t count = 0;
};

Run RenderDiscarded(const fs::path& tap, std::uint64_t& samples) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return {};
    }
    const Run run = InChild([&] {
        bitreel::TapeImage image(tap, bitreel::MachineKind::Spectrum,
                                 bitreel::TapeLayout::SpectrumTap);
        image.IndexAll();
        bitreel::PulseStream pulses(image, {});
        Discard sink;
        bitreel::RenderTapeAudio(pulses, bitreel::RenderOptions{}, sink);
        return write(pipeEnds[1], &sink.count, sizeof sink.count) == sizeof sink.count ? 0 : 1;
    });
    close(pipeEnds[1]);
    samples = 0;
    if (read(pipeEnds[0], &samples, sizeof samples) != sizeof samples) {
        samples = 0;
    }
    close(pipeEnds[0]);
    return run;
}

long Megabytes(const Run& run) {
    return (run.peakKilobytes + 1023) / 1024;
}

void Print(const std::string& name, const char* who, const Run& run) {
    std::printf("%-34s %-9s %8.3f s  CPU %8.3f s  peak %5ld MB%s\n", name.c_str(), who, run.seconds,
                run.cpuSeconds, Megabytes(run), run.succeeded ? "" : "  FAILED");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_bench BITREEL [TAPE2WAV]\n");
        return 2;
    }
    const std::string bitreel = fs::absolute(argv[1]).string();
    const std::string tape2wav = argc > 2 ? argv[2] : BITREEL_TAPE2WAV;
    const bool compare = !tape2wav.empty() && fs::exists(tape2wav);
    if (!compare) {
        std::printf("tape2wav not found (Debian: fuse-emulator-utils): Bitreel alone\n");
    }
    const fs::path dir =
        fs::temp_directory_path() / ("bitreel-audio-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);

    struct Tape {
        std::string name;
        fs::path path;
        bool spectrum;
    };
    std::vector<Tape> tapes;
    for (const char* machine : {"spectrum", "ace"}) {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / machine)) {
            files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            tapes.push_back({std::string(machine) + "/" + file.filename().string(), file,
                             machine == std::string("spectrum")});
        }
    }
    const fs::path mebibyte = dir / "DATA-1MIB.TAP";
    bitreel::bench::WriteDataTap(mebibyte, 1 << 20);
    tapes.push_back({"1 MiB TAP of data blocks", mebibyte, true});

    // What every run of Bitreel's costs before it reads a byte: the start of a
    // program linked with Qt's window libraries.
    Print("start-up (--version)", "Bitreel", Program({bitreel, "--version"}));

    bool within = true;
    double ours = 0;
    double theirs = 0;
    long peak = 0;
    for (const Tape& tape : tapes) {
        const Run mine =
            Program({bitreel, "convert", "--force", "--machine", tape.spectrum ? "spectrum" : "ace",
                     tape.path.string(), (dir / "bitreel.wav").string()});
        Print(tape.name, "Bitreel", mine);
        within = within && mine.succeeded;
        peak = std::max(peak, Megabytes(mine));
        if (compare && tape.spectrum) {
            const Run other =
                Program({tape2wav, tape.path.string(), (dir / "tape2wav.wav").string()});
            Print(tape.name, "tape2wav", other);
            within = within && other.succeeded;
            ours += mine.seconds;
            theirs += other.seconds;
        }
    }
    fs::remove(dir / "bitreel.wav");
    fs::remove(dir / "tape2wav.wav");

    const fs::path large = dir / "DATA-64MIB.TAP";
    const auto blocks = bitreel::bench::WriteDataTap(large, 64ull << 20);
    std::uint64_t samples = 0;
    const Run huge = RenderDiscarded(large, samples);
    Print("64 MiB TAP, samples discarded", "Bitreel", huge);
    std::printf("  %ju blocks, %.1f hours of sound at 44,100 Hz, %.0f million samples a second\n",
                static_cast<std::uintmax_t>(blocks), static_cast<double>(samples) / 44'100 / 3600,
                static_cast<double>(samples) / huge.seconds / 1e6);
    within = within && huge.succeeded && samples > 0;
    peak = std::max(peak, Megabytes(huge));
    fs::remove_all(dir);

    if (compare) {
        std::printf("files both wrote: Bitreel %.3f s, tape2wav %.3f s%s\n", ours, theirs,
                    ours <= theirs ? "" : "  SLOWER");
        within = within && ours <= theirs;
    }
    std::printf("Bitreel's peak memory: %ld MB (budget %ld MB)%s\n", peak, BudgetMegabytes,
                peak <= BudgetMegabytes ? "" : "  OVER BUDGET");
    within = within && peak <= BudgetMegabytes;
    return within ? 0 : 1;
}
