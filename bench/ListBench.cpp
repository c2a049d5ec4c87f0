// Times listing one tape image in the real window, as a user's click on it
// does, and how the window keeps answering meanwhile. One file per run, so
// that the peak memory is that file's:
//   list_bench FILE                (listed by its name's extension)
//   list_bench --zeros MEGABYTES   (a TAP file of zero bytes: one empty block per two)
//   list_bench --pauses MEGABYTES  (a TZX image of pause blocks: one row per three bytes)
// It prints the rows, the time until the click's handler returns, the time
// until the list has placed every row, the longest time the event loop was
// kept waiting over both, and the process's peak resident memory.
#include "BenchImages.h"
#include "app/Form1.h"
#include "app/browser/FileList.h"
#include "support/ScriptedDialog.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace bitreel;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: list_bench FILE | --zeros MEGABYTES | --pauses MEGABYTES\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const test::TempDir dir;
    // The window lists the first file when it starts; the file under test
    // comes second and is clicked.
    test::TapeBuilder().Block(255, {1}).WriteTo(dir / "A.TAP");
    const std::string option = argv[1];
    const bool made = (option == "--zeros" || option == "--pauses") && argc > 2;
    const fs::path file = dir / ("B" + (made ? std::string(option == "--zeros" ? ".TAP" : ".TZX")
                                             : fs::path(argv[1]).extension().string()));
    std::string name;
    if (made) {
        const auto megabytes = std::strtoull(argv[2], nullptr, 10);
        if (option == "--zeros") {
            bench::WriteZeros(file, megabytes * 1000 * 1000);
        } else {
            bench::WritePauseTzx(file, megabytes * 1000 * 1000);
        }
        name = option.substr(2) + " " + std::to_string(megabytes) + " MB";
    } else {
        fs::copy_file(argv[1], file);
        name = fs::path(argv[1]).filename().string();
    }
    // Read once, so that every run finds the file in the page cache.
    fs::copy_file(file, dir / "warm.bin");
    fs::remove(dir / "warm.bin");

    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
    Form1::Services services;
    services.port = std::make_unique<test::SimulatedLine>();
    services.exit = [](int) {};
    services.recordDialog = std::make_unique<test::ScriptedDialog>();
    Form1 form(std::move(services));
    QDir::setCurrent(before);
    form.show();
    QApplication::processEvents();
    auto* files = form.findChild<FileList*>(QStringLiteral("File1"));
    auto* contents = form.findChild<QAbstractItemView*>(QStringLiteral("lstContents"));

    // A timer that fires whenever the event loop gets a turn measures how
    // long the window could not paint or take a click.
    Clock::time_point lastTurn = Clock::now();
    double longestWait = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestWait = std::max(longestWait, Since(lastTurn));
        lastTurn = Clock::now();
    });
    turns.start();

    const auto start = Clock::now();
    lastTurn = start;
    files->SetListIndex(1); // the click: lists the file
    const double handler = Since(start);
    longestWait = std::max(longestWait, Since(lastTurn));
    lastTurn = Clock::now();
    const int rows = contents->model()->rowCount();
    // The list places its rows after the handler; done when it can scroll
    // to the last row.
    QScrollBar* bar = contents->verticalScrollBar();
    while (bar->maximum() + bar->pageStep() < rows && Since(start) < 600) {
        QApplication::processEvents();
    }
    const double placed = Since(start);
    longestWait = std::max(longestWait, Since(lastTurn));

    std::printf("%-24s %9d rows  listed %8.3f s  all rows placed %8.3f s  longest wait %7.3f s  "
                "peak memory %5ld MB\n",
                name.c_str(), rows, handler, placed, longestWait, PeakMegabytes());
    return 0;
}
