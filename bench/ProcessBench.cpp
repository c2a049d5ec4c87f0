// Times the command line's listing of huge images as a user runs it: the
// built executable as a whole process, its rows read through a pipe as
// `bitreel list FILE | wc -l` would, with its wall time and peak resident
// memory against what each case may take:
//  - `list` and `list --json` of 20 MB of zero bytes as a TAP file (ten
//    million empty blocks): 3 s and 400 MB each;
//  - `list` of a 60 MB TZX image of pause blocks (twenty million rows):
//    5 s and 400 MB.
// Each case runs RUNS times (3 unless told); the median wall time, the
// median processor time (user and system; the wall time of a machine with a
// core to spare) and the largest peak are reported. Exits 1 when a case misses its budget or fails.
//   process_bench BITREEL [RUNS]
#include "BenchImages.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user and system: what the wall time is when the machine is free
    long peakKilobytes = 0;
    std::uint64_t lines = 0;
    bool succeeded = false;
};

// Runs the program with its output into a pipe this process drains,
// counting lines; the child's own resource use comes from wait4.
Run RunOnce(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        std::_Exit(127);
    }
    close(out[1]);
    Run run;
    std::vector<char> buffer(1 << 16);
    for (ssize_t n; (n = read(out[0], buffer.data(), buffer.size())) > 0;) {
        run.lines += static_cast<std::uint64_t>(std::count(buffer.data(), buffer.data() + n, '\n'));
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

struct Case {
    std::string name;
    std::vector<std::string> args;
    double budgetSeconds;
    long budgetMegabytes;
};

bool Measure(const Case& c, int runs) {
    std::vector<double> seconds;
    std::vector<double> cpu;
    long peak = 0;
    std::uint64_t lines = 0;
    bool succeeded = true;
    for (int r = 0; r < runs; ++r) {
        const Run run = RunOnce(c.args);
        seconds.push_back(run.seconds);
        cpu.push_back(run.cpuSeconds);
        peak = std::max(peak, run.peakKilobytes);
        lines = run.lines;
        succeeded = succeeded && run.succeeded;
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    const double median = seconds[seconds.size() / 2];
    const long megabytes = (peak + 1023) / 1024;
    const bool within = succeeded && median <= c.budgetSeconds && megabytes <= c.budgetMegabytes;
    std::printf("%-24s %9llu lines  median %6.3f s (max %6.3f, budget %.0f s), CPU %6.3f s  "
                "peak %5ld MB (budget %ld MB)  %s\n",
                c.name.c_str(), static_cast<unsigned long long>(lines), median, seconds.back(),
                c.budgetSeconds, cpu[cpu.size() / 2], megabytes, c.budgetMegabytes,
                !succeeded ? "FAILED"
                : within   ? "ok"
                           : "OVER BUDGET");
    std::fflush(stdout);
    return within;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: process_bench BITREEL [RUNS]\n");
        return 2;
    }
    const std::string bitreel = fs::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const fs::path dir =
        fs::temp_directory_path() / ("bitreel-process-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path zeros = dir / "ZEROS.TAP";
    const fs::path pauses = dir / "PAUSES.TZX";
    bitreel::bench::WriteZeros(zeros, 20'000'000);
    const auto blocks = bitreel::bench::WritePauseTzx(pauses, 60'000'000);
    std::printf("%s: %ju bytes; %s: %ju bytes, %ju pause blocks\n", zeros.filename().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(zeros)), pauses.filename().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(pauses)),
                static_cast<std::uintmax_t>(blocks));

    const std::vector<Case> cases = {
        {"list zeros 20 MB", {bitreel, "list", zeros.string()}, 3, 400},
        {"list --json zeros 20 MB", {bitreel, "list", "--json", zeros.string()}, 3, 400},
        {"list pauses TZX 60 MB", {bitreel, "list", pauses.string()}, 5, 400},
    };
    bool within = true;
    for (const auto& c : cases) {
        within = Measure(c, runs) && within;
    }
    fs::remove_all(dir);
    return within ? 0 : 1;
}
