// Times the decoders the inspector runs when it opens: listing a 40 KB
// BASIC program and drawing a loading screen, each against its 5 ms budget.
//   view_bench [ROUNDS]
#include "BenchPrograms.h"
#include "view/View.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

template <typename F> double BestMs(int rounds, F&& run) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

void Report(const char* what, double ms, double budget) {
    std::printf("%-40s %8.3f ms  (budget %.0f ms: %s)\n", what, ms, budget,
                ms <= budget ? "ok" : "OVER");
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    namespace view = bitreel::view;

    const Bytes program = bitreel::bench::Program(40 * 1024);
    std::size_t lines = 0;
    const double listing = BestMs(rounds, [&] {
        const auto listed = view::ListBasic(program, program.size());
        lines = listed.program.lines.size();
        volatile auto length = listed.Text().size();
        (void)length;
    });
    std::printf("program: %zu bytes, %zu lines\n", program.size(), lines);
    Report("list the BASIC program (text)", listing, 5);

    Bytes screen(view::ScreenBytes);
    for (std::size_t i = 0; i < screen.size(); ++i) {
        screen[i] = static_cast<std::uint8_t>(i * 37 + (i >> 5));
    }
    const double render = BestMs(rounds, [&] {
        volatile auto pixels = view::RenderScreen(screen)->pixels.size();
        (void)pixels;
    });
    Report("render the screen (1x)", render, 5);
    const auto image = *view::RenderScreen(screen);
    const double scaled = BestMs(rounds, [&] {
        volatile auto pixels = view::ScaleImage(image, 4).pixels.size();
        (void)pixels;
    });
    Report("scale the screen to 4x", scaled, 5);

    Bytes block{0, 0, 0xFF};
    block.insert(block.end(), program.begin(), program.end());
    block.push_back(0);
    block[0] = static_cast<std::uint8_t>((block.size() - 2) & 0xFF);
    block[1] = static_cast<std::uint8_t>((block.size() - 2) >> 8);
    const double hex = BestMs(rounds, [&] {
        volatile auto length = view::HexDump(block).size();
        (void)length;
    });
    std::printf("%-40s %8.3f ms\n", "hex dump of the 40 KB block", hex);
    return listing <= 5 && render <= 5 ? 0 : 1;
}
