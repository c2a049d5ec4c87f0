// The processor share of the command line's waits: Play held by CTS and
// Record with nothing arriving, each for a stretch of real time, on the
// simulated line with the command line's own front end.
//   cli_wait_bench [SECONDS]   (default 10)
#include "cli/output/ProgressReporter.h"
#include "cli/transfer/CliFrontEnd.h"
#include "serial/LineSettings.h"
#include "support/SimulatedLine.h"
#include "transfer/Playback.h"
#include "transfer/Recording.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace {

using namespace bitreel;
using test::SimulatedLine;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class NamedFile final : public RecordFileDialog {
public:
    explicit NamedFile(std::filesystem::path path) : path_(std::move(path)) {}
    std::optional<std::filesystem::path> Ask(const RecordDialogRequest&) override { return path_; }

private:
    std::filesystem::path path_;
};

// The simulated line has nothing to wait on: a sleep stands for the port's
// wait, which on a real port returns early when a byte comes. Past the end
// of the measurement the wait fails, as a line that went away, which ends
// the run.
cli::LineWait SleepUntil(Clock::time_point end) {
    return [end](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (Clock::now() >= end) {
            throw PortError("the measurement is over");
        }
    };
}

void Measure(const char* what, const std::function<void()>& run) {
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    run();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("%-36s %6.2f s wall  %6.3f s CPU  %5.2f%% of one core\n", what, wall, cpu,
                100.0 * cpu / wall);
}

SimulatedLine& OpenLine(SimulatedLine& line) {
    line.SetSettings(ParseLineSettings("9600,n,8,1"));
    line.SetHandshaking(Handshake::RtsCts);
    line.Open();
    return line;
}

} // namespace

int main(int argc, char* argv[]) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const auto limit =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    const auto folder = std::filesystem::temp_directory_path();
    const auto tape = folder / "cli-wait-bench.tap";
    const auto recorded = folder / "cli-wait-bench-rec.tap";

    {
        std::ofstream(tape, std::ios::binary).write("\x05\x00\xff\x01\x02\x03\x00", 7);
        SimulatedLine line;
        OpenLine(line).SetCts(false);
        cli::ProgressReporter progress(stderr, false, cli::ProgressReporter::Counting::Play);
        cli::CliFrontEnd frontEnd(progress, SleepUntil(Clock::now() + limit),
                                  [&] { return line.PendingOutput(); });
        Playback playback(line, frontEnd);
        PlayRequest request;
        request.file = tape;
        Measure("play, CTS held down", [&] { static_cast<void>(playback.Run(request)); });
    }
    {
        SimulatedLine line;
        OpenLine(line);
        cli::ProgressReporter progress(stderr, false, cli::ProgressReporter::Counting::Record);
        cli::CliFrontEnd frontEnd(progress, SleepUntil(Clock::now() + limit),
                                  [] { return std::size_t{0}; });
        NamedFile out(recorded);
        Recording recording(line, frontEnd, frontEnd, out);
        RecordingRequest request;
        request.dialogFolder = folder;
        Measure("record, nothing arriving", [&] { static_cast<void>(recording.Run(request)); });
    }
    std::filesystem::remove(tape);
    std::filesystem::remove(recorded);
    return 0;
}
