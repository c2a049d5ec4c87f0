// The fast loader's load times and exactness, from the first pilot edge to
// the program's first instruction, on the emulated machines of the tests
// (the harness) and in FUSE with the OpenSE ROM through LOAD "":
//   fastload_bench [--no-fuse] [SNAPSHOT ...]   (every test snapshot when none)
// First the sizes of each snapshot's loader: the bootstrap, its resident
// part, the main part, and how many of the tail's bytes differ from the
// snapshot's. Then each snapshot at every --speed at 44.1 and 48 kHz; then,
// at the default speed, the sound 3% slow and 3% fast at both rates (a WAV
// whose header's rate is 3% off), inverted and with white noise at 20 dB,
// and the slowest speed with all of them at once; then the verdicts against
// the goals.
#include "machine/FuseLoad.h"
#include "support/SnapshotFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace bitreel;
using namespace bitreel::test;

struct Result {
    bool ran = false;
    bool exact = false;
    double seconds = 0;
};

struct Row {
    std::string snapshot;
    bool is128 = false;
    unsigned speed = 0;
    std::string sound;
    Result harness;
    Result fuse;
};

Result OnHarness(const fastload::LoadingTape& tape, const Snapshot& snapshot,
                 const Playback& playback) {
    FastLoadRig rig(tape, snapshot.model, playback);
    const LoadOutcome outcome = rig.Run();
    Result result{true, outcome.reachedProgram && rig.Differences(snapshot).empty(), 0};
    if (outcome.reachedProgram) {
        // The ROM's part, from its pulses, plays as fast as the rest.
        result.seconds = RomPartSeconds(tape.tzx) / playback.speed +
                         double(outcome.tstates) / rig.Machine().ClockHz();
    }
    return result;
}

Result InFuse(const fastload::LoadingTape& tape, const Snapshot& snapshot,
              const Playback& playback) {
    const FuseOutcome outcome = LoadInFuse(tape, snapshot, playback);
    return {true, outcome.reachedProgram && outcome.differences.empty(), outcome.seconds};
}

std::string Cell(const Result& r) {
    if (!r.ran) {
        return "-";
    }
    char text[32];
    if (r.seconds > 0) {
        std::snprintf(text, sizeof text, "%.1f s%s", r.seconds, r.exact ? "" : " NOT EXACT");
    } else {
        std::snprintf(text, sizeof text, "did not load");
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    bool fuse = FuseMissing().empty();
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-fuse") == 0) {
            fuse = false;
        } else {
            names.emplace_back(argv[i]);
        }
    }
    if (names.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(SnapshotDir)) {
            if (SnapshotFormatOf(entry.path().filename().string())) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
    }
    if (!fuse) {
        std::printf("FUSE not run: %s\n",
                    FuseMissing().empty() ? "--no-fuse" : FuseMissing().c_str());
    }

    struct Sound {
        const char* name;
        Playback playback;
        unsigned speed; // 0: each
    };
    constexpr double Off = fastload::SpeedTolerance;
    const std::vector<Sound> sounds = {
        {"44.1 kHz", {44'100, 1.0, false, true}, 0},
        {"48 kHz", {48'000, 1.0, false, true}, 0},
        {"3% slow", {44'100, 1 - Off, false, true}, fastload::DefaultSpeed},
        {"3% fast", {44'100, 1 + Off, false, true}, fastload::DefaultSpeed},
        {"48 kHz, 3% slow", {48'000, 1 - Off, false, true}, fastload::DefaultSpeed},
        {"48 kHz, 3% fast", {48'000, 1 + Off, false, true}, fastload::DefaultSpeed},
        {"inverted", {44'100, 1.0, true, true}, fastload::DefaultSpeed},
        {"noise 20 dB", {44'100, 1.0, false, true, 20}, fastload::DefaultSpeed},
        {"all, 3% slow", {44'100, 1 - Off, true, true, 20}, fastload::SlowestSpeed},
        {"all, 3% fast, 48 kHz", {48'000, 1 + Off, true, true, 20}, fastload::SlowestSpeed},
    };

    std::printf("| snapshot | model | bootstrap | resident part | main part | tail bytes "
                "changed |\n|---|---|---|---|---|---|\n");
    for (const std::string& name : names) {
        const Snapshot snapshot = TestSnapshot(name);
        const fastload::LoadingTape tape =
            fastload::BuildLoadingTape(snapshot, fastload::DefaultSpeed);
        std::printf("| %s | %s | %zu | %zu | %zu | %zu |\n", name.c_str(),
                    ModelName(snapshot.model), tape.bootstrapBytes, tape.residentBytes,
                    tape.mainBytes, tape.tailChanged);
    }
    std::printf("\n");

    std::vector<Row> rows;
    std::printf(
        "| snapshot | model | --speed | sound | harness | FUSE |\n|---|---|---|---|---|---|\n");
    for (const std::string& name : names) {
        const Snapshot snapshot = TestSnapshot(name);
        for (const Sound& sound : sounds) {
            for (unsigned speed = 1; speed <= fastload::FastestSpeed; ++speed) {
                if (sound.speed != 0 && sound.speed != speed) {
                    continue;
                }
                const fastload::LoadingTape tape = fastload::BuildLoadingTape(snapshot, speed);
                Row row{name, Is128K(snapshot.model), speed, sound.name, {}, {}};
                auto harness = std::async(std::launch::async, OnHarness, std::cref(tape),
                                          std::cref(snapshot), sound.playback);
                if (fuse) {
                    row.fuse = InFuse(tape, snapshot, sound.playback);
                }
                row.harness = harness.get();
                std::printf("| %s | %s | %u | %s | %s | %s |\n", name.c_str(),
                            ModelName(snapshot.model), speed, sound.name, Cell(row.harness).c_str(),
                            Cell(row.fuse).c_str());
                std::fflush(stdout);
                rows.push_back(row);
            }
        }
    }

    // The goals: the slowest of each kind at the default speed, every
    // robust row exact.
    std::printf("\nAt the default speed (%u), the slowest load:\n", fastload::DefaultSpeed);
    bool met = true;
    for (const bool is128 : {false, true}) {
        const double goal = is128 ? 60 : 20;
        for (const char* rate : {"44.1 kHz", "48 kHz"}) {
            double harness = 0;
            double inFuse = 0;
            bool exact = true;
            bool any = false;
            for (const Row& row : rows) {
                if (row.is128 == is128 && row.speed == fastload::DefaultSpeed &&
                    row.sound == rate) {
                    any = true;
                    harness = std::max(harness, row.harness.seconds);
                    inFuse = std::max(inFuse, row.fuse.seconds);
                    exact = exact && row.harness.exact && (!row.fuse.ran || row.fuse.exact);
                }
            }
            if (!any) {
                std::printf("  %s at %s: no such snapshot given\n", is128 ? "128K" : "48K", rate);
                continue;
            }
            const bool ok = exact && harness <= goal && inFuse <= goal;
            met = met && ok;
            std::printf("  %s at %s: harness %.1f s, FUSE %.1f s, goal %.0f s: %s\n",
                        is128 ? "128K" : "48K", rate, harness, inFuse, goal,
                        ok ? "met" : "NOT MET");
        }
    }
    for (std::size_t s = 2; s < sounds.size(); ++s) {
        std::size_t exact = 0;
        std::size_t total = 0;
        for (const Row& row : rows) {
            if (row.sound == sounds[s].name) {
                total += 1 + (row.fuse.ran ? 1 : 0);
                exact += (row.harness.exact ? 1 : 0) + (row.fuse.ran && row.fuse.exact ? 1 : 0);
            }
        }
        met = met && exact == total;
        std::printf("  %s, --speed %u: %zu of %zu loads exact: %s\n", sounds[s].name,
                    sounds[s].speed, exact, total, exact == total ? "met" : "NOT MET");
    }
    std::printf("%s\n", met ? "Every goal met." : "A goal is NOT met.");
    return met ? 0 : 1;
}
