// Times opening a block inspector, from the row's number to the window drawn,
// on a 48 KB BASIC program (its header row and its data row), a 48 KB code
// block and a loading screen, against the 100 ms budget (the slowest round,
// the first with its fonts still to load, counts).
//   inspector_bench [ROUNDS]      (runs on the offscreen platform unless told)
#include "BenchPrograms.h"

#include "app/inspector/BlockInspector.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBlock(Bytes& tape, std::uint8_t flag, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    tape.push_back(static_cast<std::uint8_t>(length & 0xFF));
    tape.push_back(static_cast<std::uint8_t>(length >> 8));
    tape.push_back(flag);
    std::uint8_t checksum = 0;
    for (const auto byte : payload) {
        checksum ^= byte;
    }
    tape.insert(tape.end(), payload.begin(), payload.end());
    tape.push_back(checksum);
}

Bytes Header(std::uint8_t type, std::size_t length, unsigned param1, unsigned param2) {
    Bytes header{type, 'b', 'e', 'n', 'c', 'h', ' ', ' ', ' ', ' ', ' '};
    for (const unsigned word : {static_cast<unsigned>(length), param1, param2}) {
        header.push_back(static_cast<std::uint8_t>(word & 0xFF));
        header.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return header;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    const Bytes program = bitreel::bench::Program(48 * 1024);
    Bytes code(48 * 1024);
    Bytes screen(6912);
    for (std::size_t i = 0; i < code.size(); ++i) {
        code[i] = static_cast<std::uint8_t>(i * 37 + (i >> 7));
    }
    std::copy_n(code.begin(), screen.size(), screen.begin());
    Bytes tape;
    PutBlock(tape, 0, Header(0, program.size(), 10, static_cast<unsigned>(program.size())));
    PutBlock(tape, 255, program);
    PutBlock(tape, 0, Header(3, code.size(), 16384, 32768));
    PutBlock(tape, 255, code);
    PutBlock(tape, 0, Header(3, screen.size(), 16384, 32768));
    PutBlock(tape, 255, screen);

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("BENCH.TAP"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(tape.data()), static_cast<qint64>(tape.size())) !=
            static_cast<qint64>(tape.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();

    const struct {
        const char* what;
        int row;
    } cases[] = {{"48 KB program, header row", 0},
                 {"48 KB program, data row", 1},
                 {"48 KB code, data row (hex)", 3},
                 {"loading screen, data row", 5}};
    std::printf("platform %s, %d rounds each\n", qPrintable(QApplication::platformName()), rounds);
    bool within = true;
    for (const auto& c : cases) {
        qint64 best = -1;
        qint64 worst = 0;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer timer;
            timer.start();
            auto* inspector = new bitreel::BlockInspector(
                {path, bitreel::MachineKind::Spectrum, bitreel::TapeLayout::SpectrumTap, c.row},
                nullptr);
            inspector->show();
            inspector->repaint(); // drawn, not just laid out
            QApplication::processEvents();
            const qint64 elapsed = timer.nsecsElapsed();
            best = best < 0 ? elapsed : std::min(best, elapsed);
            worst = std::max(worst, elapsed);
            delete inspector;
        }
        const double ms = static_cast<double>(best) / 1e6;
        const double slowest = static_cast<double>(worst) / 1e6;
        within = within && slowest <= 100;
        std::printf("%-28s best %6.2f ms, slowest %6.2f ms  (budget 100 ms: %s)\n", c.what, ms,
                    slowest, slowest <= 100 ? "ok" : "OVER");
    }
    return within ? 0 : 1;
}
