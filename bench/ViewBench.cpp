// Times the decoders the inspector runs when it opens: listing a 40 KB
// BASIC program and drawing a loading screen, each against its 5 ms budget.
//   view_bench [ROUNDS]
#include "view/View.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// A program of the given size made of one busy line over and over: keywords,
// numbers with their hidden 5-byte forms (one hiding another value), a
// string with colour controls.
Bytes Program(std::size_t size) {
    const Bytes text = {0xF5, 0x16, '1', '0',  0x0E, 0,    0,    10,   0,    0,    ',',  '5',  0x0E,
                        0,    0,    5,   0,    0,    ';',  '"',  0x10, 2,    'S',  'c',  'o',  'r',
                        'e',  '"',  ';', 0xB2, 'x',  '*',  '3',  '.',  '5',  0x0E, 0x82, 0x60, 0,
                        0,    0,    ':', 0xFA, 'a',  0xC7, 'b',  0xCB, 0xEC, '0',  0x0E, 0,    0,
                        0xFF, 0x76, 0,   ':',  0xFD, '0',  0x0E, 0,    0,    0xFF, 0x76, 0};
    Bytes program;
    for (unsigned number = 1; program.size() + text.size() + 5 <= size; ++number) {
        program.push_back(static_cast<std::uint8_t>((number >> 8) & 0x3F));
        program.push_back(static_cast<std::uint8_t>(number & 0xFF));
        const auto length = text.size() + 1;
        program.push_back(static_cast<std::uint8_t>(length & 0xFF));
        program.push_back(static_cast<std::uint8_t>(length >> 8));
        program.insert(program.end(), text.begin(), text.end());
        program.push_back(0x0D);
    }
    return program;
}

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

    const Bytes program = Program(40 * 1024);
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
