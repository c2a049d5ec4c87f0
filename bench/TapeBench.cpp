// Times the contents list on two large images, as TAP, TZX and PZX files,
// against reading the same file plainly, so that a slowdown in a reader shows
// up as a number; then the image's index the window lists with (every block
// indexed in steps, the rows it shows first made) on the same images; last,
// on 20 MB of zero bytes and a 60 MB TZX image of pause blocks, the index and
// then every row and every block made again, as list and list --json do.
//   tape_bench [ROUNDS [small|large|zeros|pauses]]
#include "BenchImages.h"
#include "tape/Tape.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

void AppendBlock(Bytes& tape, std::uint8_t flag, std::size_t payloadSize) {
    const std::size_t length = payloadSize + 2;
    tape.push_back(static_cast<std::uint8_t>(length & 0xFF));
    tape.push_back(static_cast<std::uint8_t>(length >> 8));
    tape.push_back(flag);
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < payloadSize; ++i) {
        const auto b = static_cast<std::uint8_t>(i * 7);
        tape.push_back(b);
        x ^= b;
    }
    tape.push_back(x);
}

// Alternating 17-byte headers and short data blocks, as a big collection has.
Bytes ManySmallBlocks(int count) {
    Bytes tape;
    for (int i = 0; i < count; ++i) {
        AppendBlock(tape, i % 2 == 0 ? 0 : 255, i % 2 == 0 ? 17 : 40);
    }
    return tape;
}

Bytes FewLargeBlocks(int count) {
    Bytes tape;
    for (int i = 0; i < count; ++i) {
        AppendBlock(tape, 255, 48 * 1024);
    }
    return tape;
}

void Append(Bytes& to, std::initializer_list<std::uint8_t> bytes) {
    to.insert(to.end(), bytes);
}

void AppendLe(Bytes& to, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// The same blocks as standard speed data blocks of a TZX file.
Bytes AsTzx(const Bytes& tap) {
    Bytes tzx{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    for (std::size_t at = 0; at + 2 <= tap.size();) {
        const std::size_t length = tap[at] | (tap[at + 1] << 8);
        Append(tzx, {0x10, 0xE8, 0x03});
        tzx.insert(tzx.end(), tap.begin() + static_cast<std::ptrdiff_t>(at),
                   tap.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        at += 2 + length;
    }
    return tzx;
}

// The same blocks as PZX data blocks with the ROM's pulses.
Bytes AsPzx(const Bytes& tap) {
    Bytes pzx{'P', 'Z', 'X', 'T', 2, 0, 0, 0, 1, 0};
    for (std::size_t at = 0; at + 2 <= tap.size();) {
        const std::size_t length = tap[at] | (tap[at + 1] << 8);
        Append(pzx, {'D', 'A', 'T', 'A'});
        AppendLe(pzx, static_cast<std::uint32_t>(16 + length), 4);
        AppendLe(pzx, static_cast<std::uint32_t>(8 * length), 4);
        AppendLe(pzx, 945, 2);
        Append(pzx, {2, 2});
        for (std::uint32_t pulse : {855, 855, 1710, 1710}) {
            AppendLe(pzx, pulse, 2);
        }
        pzx.insert(pzx.end(), tap.begin() + static_cast<std::ptrdiff_t>(at + 2),
                   tap.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        at += 2 + length;
    }
    return pzx;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

template <typename F> double Best(int rounds, F&& run) {
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        run();
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

// The window's way: the image indexed in steps, then the rows it shows first
// made; the rows indexed.
std::size_t IndexAndShow(const fs::path& path, std::size_t shown) {
    bitreel::TapeImage image(path, bitreel::MachineKind::Spectrum,
                             bitreel::TapeLayout::SpectrumTap);
    while (!image.Advance(65536)) {
    }
    for (std::size_t row = 0; row < std::min(shown, image.RowCount()); ++row) {
        static_cast<void>(image.Row(row));
    }
    return image.RowCount();
}

// Lists the image by the reader its name picks; a PZX file lists one row more
// than it has data blocks, for its header block.
void Measure(const std::string& name, const char* extension, const Bytes& tape, int blocks,
             int rounds) {
    const fs::path path = fs::temp_directory_path() / ("bitreel-bench-" + name + extension);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(tape.data()),
                  static_cast<std::streamsize>(tape.size()));
    }
    std::size_t rows = 0;
    const double list = Best(rounds, [&] {
        bool expectHeader = true;
        rows = bitreel::LoadContents(path, bitreel::MachineKind::Spectrum,
                                     bitreel::TapeLayout::SpectrumTap, expectHeader)
                   .size();
    });
    std::size_t indexed = 0;
    const double index = Best(rounds, [&] { indexed = IndexAndShow(path, 40); });
    std::size_t readBytes = 0;
    const double plain = Best(rounds, [&] {
        // The whole file into memory, as a program that parses a buffer would.
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::vector<std::uint8_t> memory(fs::file_size(path));
        readBytes = std::fread(memory.data(), 1, memory.size(), f);
        std::fclose(f);
    });
    fs::remove(path);
    if (rows != static_cast<std::size_t>(blocks) || indexed != rows || readBytes != tape.size()) {
        std::fprintf(stderr, "%s: wrong result (%zu rows, %zu bytes)\n", name.c_str(), rows,
                     readBytes);
        std::exit(1);
    }
    std::printf("%-12s %7d blocks %9zu bytes  list %8.3f ms  plain read %7.3f ms  "
                "ratio %5.2f  %10.0f blocks/s  index %8.3f ms\n",
                name.c_str(), blocks, tape.size(), list * 1e3, plain * 1e3, list / plain,
                blocks / list, index * 1e3);
}

void MeasureHuge(const char* name, const fs::path& path, int rounds) {
    rounds = std::min(rounds, 3);
    std::size_t rows = 0;
    const double index = Best(rounds, [&] { rows = IndexAndShow(path, 40); });
    bitreel::TapeImage image(path, bitreel::MachineKind::Spectrum,
                             bitreel::TapeLayout::SpectrumTap);
    image.IndexAll();
    std::size_t made = 0;
    const double texts = Best(rounds, [&] {
        made = 0;
        for (std::size_t row = 0; row < image.RowCount(); ++row) {
            made += image.Row(row).size();
        }
    });
    const double blocks = Best(rounds, [&] {
        made = 0;
        for (std::size_t row = 0; row < image.RowCount(); ++row) {
            made += image.Block(row).stored.size();
        }
    });
    const auto size = fs::file_size(path);
    fs::remove(path);
    std::printf("%-12s %8zu blocks %9ju bytes  index %8.3f ms  every row %8.3f ms  "
                "every block %8.3f ms\n",
                name, rows, static_cast<std::uintmax_t>(size), index * 1e3, texts * 1e3,
                blocks * 1e3);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string only = argc > 2 ? argv[2] : "";
    if (only.empty() || only == "small") {
        const Bytes tap = ManySmallBlocks(20000);
        Measure("small", ".tap", tap, 20000, rounds);
        Measure("small tzx", ".tzx", AsTzx(tap), 20000, rounds);
        Measure("small pzx", ".pzx", AsPzx(tap), 20001, rounds);
    }
    if (only.empty() || only == "large") {
        const Bytes tap = FewLargeBlocks(40);
        Measure("large", ".tap", tap, 40, rounds);
        Measure("large tzx", ".tzx", AsTzx(tap), 40, rounds);
        Measure("large pzx", ".pzx", AsPzx(tap), 41, rounds);
    }
    // Too many rows to keep as LoadContents does: the index, then every row
    // made again (as list writes them), then every block (as list --json).
    if (only.empty() || only == "zeros") {
        const fs::path path = fs::temp_directory_path() / "bitreel-bench-zeros.tap";
        bitreel::bench::WriteZeros(path, 20'000'000);
        MeasureHuge("zeros", path, rounds);
    }
    if (only.empty() || only == "pauses") {
        const fs::path path = fs::temp_directory_path() / "bitreel-bench-pauses.tzx";
        bitreel::bench::WritePauseTzx(path, 60'000'000);
        MeasureHuge("pauses tzx", path, rounds);
    }
    return 0;
}
