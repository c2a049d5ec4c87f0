// Measures the transfer loops against a simulated machine in real time:
//   transfer_bench [window|loop|paced|record|idle|window-idle|window-cts|
//                   window-paced|window-pty ...]
//   (all when none given)
// window: playback through the real window (offscreen), its Play button and
//         its event loop, into a line that never holds CTS down: bytes per
//         second and microseconds per byte;
// loop:   the same loop without the window's widgets;
// paced:  playback of 10 KB into a line paced at 9600 baud in real time:
//         wall time against the line's own time;
// record: recording of 100 KB sent as fast as the line can: bytes per
//         second and bytes lost;
// idle:   the CPU a recording's own loop uses while nothing arrives, with a
//         front end that never waits;
// window-idle: the CPU the window uses while Record waits and nothing
//         arrives, for 3 s;
// window-cts: the CPU the window uses while Play is held by CTS, for 3 s;
// window-paced: paced playback of 10 KB through the window: wall time
//         against the line's own time, and the window's CPU share;
// window-pty: the CPU the window uses while Record waits on the system's
//         port over a pseudo-terminal, for 3 s, and a frame sent then.
#include "app/Form1.h"
#include "serial/SystemPort.h"
#include "support/PtyPair.h"
#include "support/ScriptedDialog.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestFrontEnd.h"
#include "transfer/Playback.h"
#include "transfer/Recording.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <optional>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace bitreel;
using Clock = std::chrono::steady_clock;
using test::Bytes;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Data blocks of 1 KB: the shape of a program's code blocks.
Bytes Image(std::size_t totalBytes) {
    test::TapeBuilder tape;
    std::size_t size = 0;
    for (std::uint8_t i = 0; size < totalBytes; ++i) {
        tape.Block(255, test::Filled(1022, i));
        size += 1026;
    }
    return tape.bytes();
}

void PrepareLine(test::SimulatedLine& line) {
    line.SetSettings(ParseLineSettings("9600,n,8,1"));
    line.SetHandshaking(Handshake::RtsCts);
    line.Open();
}

// A front end whose yield, like the window's, handles the application's
// pending events; the request plays the image from its first block.
PlayRequest PrepareFrontEnd(test::TestFrontEnd& frontEnd, const test::TempDir& dir,
                            const Bytes& image) {
    test::TapeBuilder().Raw(image).WriteTo(dir / "BENCH.TAP");
    frontEnd.onYield = [] { QCoreApplication::processEvents(); };
    PlayRequest request;
    request.file = dir / "BENCH.TAP";
    return request;
}

void LoopSpeed() {
    const test::TempDir dir;
    const Bytes image = Image(1024 * 1024);
    test::SimulatedLine line;
    PrepareLine(line);
    test::TestFrontEnd frontEnd;
    const PlayRequest request = PrepareFrontEnd(frontEnd, dir, image);
    const auto start = Clock::now();
    static_cast<void>(Playback(line, frontEnd).Run(request));
    const double seconds = Since(start);
    std::printf("loop:   %zu bytes in %.3f s: %.0f bytes/s, %.3f us per byte%s\n",
                line.Received().size(), seconds, static_cast<double>(image.size()) / seconds,
                seconds * 1e6 / static_cast<double>(image.size()),
                line.Received() == image ? "" : "  (BYTES LOST)");
}

// The real window on a folder and a simulated line; its dialog records into
// the folder's IDLE.TAP.
struct BenchWindow {
    // port: the system's port to use in place of a simulated line.
    explicit BenchWindow(const test::TempDir& dir, std::unique_ptr<SerialPort> port = nullptr) {
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        Form1::Services services;
        if (port) {
            services.port = std::move(port);
        } else {
            auto simulated = std::make_unique<test::SimulatedLine>();
            line = simulated.get();
            services.port = std::move(simulated);
        }
        services.exit = [](int) {};
        auto dialog = std::make_unique<test::ScriptedDialog>();
        dialog->answer = dir / "IDLE.TAP";
        services.recordDialog = std::move(dialog);
        form = std::make_unique<Form1>(std::move(services));
        QDir::setCurrent(before);
        form->show();
        QApplication::processEvents();
    }
    [[nodiscard]] QPushButton* Button(const char* name) const {
        return form->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<Form1> form;
    test::SimulatedLine* line = nullptr; // owned by the window; none on a system port
};

void WindowSpeed() {
    const test::TempDir dir;
    const Bytes image = Image(1024 * 1024);
    test::TapeBuilder().Raw(image).WriteTo(dir / "BENCH.TAP");
    BenchWindow window(dir);
    test::SimulatedLine& line = *window.line;
    auto* play = window.Button("cmdPlay");
    const auto start = Clock::now();
    play->click();
    const double seconds = Since(start);
    std::printf("window: %zu bytes in %.3f s: %.0f bytes/s, %.3f us per byte%s\n",
                line.Received().size(), seconds, static_cast<double>(image.size()) / seconds,
                seconds * 1e6 / static_cast<double>(image.size()),
                line.Received() == image ? "" : "  (BYTES LOST)");
}

void PacedPlayback() {
    const test::TempDir dir;
    const Bytes image = Image(10 * 1024);
    test::SimulatedLine line;
    PrepareLine(line);
    line.UseRealTime();
    line.SetPaced(true);
    test::TestFrontEnd frontEnd;
    const PlayRequest request = PrepareFrontEnd(frontEnd, dir, image);
    const auto start = Clock::now();
    static_cast<void>(Playback(line, frontEnd).Run(request));
    const double seconds = Since(start);
    const double lineSeconds = static_cast<double>(image.size()) * 10.0 / 9600.0;
    std::printf("paced:  %zu bytes in %.3f s, the line needs %.3f s: ratio %.4f%s\n",
                line.Received().size(), seconds, lineSeconds, seconds / lineSeconds,
                line.Received() == image ? "" : "  (BYTES LOST)");
}

void RecordSpeed() {
    const test::TempDir dir;
    const Bytes image = Image(100 * 1024);
    test::SimulatedLine line;
    PrepareLine(line);
    // Nothing before the recording begins, then everything at once.
    line.Send(image, test::SendPlan{{0, image.size()}});
    test::TestFrontEnd frontEnd;
    test::ScriptedDialog dialog;
    dialog.answer = dir / "RECORDED.TAP";
    const std::size_t blocks = image.size() / 1026;
    frontEnd.onYield = [&] {
        QCoreApplication::processEvents();
        if (frontEnd.rows.size() == blocks) {
            frontEnd.Stop();
        }
    };
    const auto start = Clock::now();
    static_cast<void>(Recording(line, frontEnd, frontEnd, dialog).Run({}));
    const double seconds = Since(start);
    const auto recorded = fs::file_size(dir / "RECORDED.TAP");
    std::printf("record: %ju bytes in %.3f s: %.0f bytes/s, %jd bytes lost\n", recorded, seconds,
                static_cast<double>(recorded) / seconds,
                static_cast<std::intmax_t>(image.size()) - static_cast<std::intmax_t>(recorded));
}

void IdleRecording() {
    const test::TempDir dir;
    test::SimulatedLine line;
    PrepareLine(line);
    test::TestFrontEnd frontEnd;
    test::ScriptedDialog dialog;
    dialog.answer = dir / "IDLE.TAP";
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    frontEnd.onYield = [&] {
        QCoreApplication::processEvents();
        if (Since(start) > 2.0) {
            frontEnd.Stop();
        }
    };
    static_cast<void>(Recording(line, frontEnd, frontEnd, dialog).Run({}));
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("idle:   %.0f %% of one core while waiting %.1f s, %lld passes\n",
                100.0 * cpu / Since(start), Since(start), frontEnd.yields);
}

// The window's processor share while a command waits for the given time,
// then Stop; a real wait: the window's own timer and event loop.
void WindowWaiting(const char* what, const char* command, bool ctsDown) {
    const test::TempDir dir;
    test::TapeBuilder().Block(255, test::Filled(100, 1)).WriteTo(dir / "BENCH.TAP");
    BenchWindow window(dir);
    window.line->SetCts(!ctsDown);
    constexpr int Milliseconds = 3000;
    Clock::time_point stopped;
    QTimer::singleShot(Milliseconds, [&] {
        stopped = Clock::now();
        window.Button("cmdStop")->click();
    });
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    window.Button(command)->click();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds = Since(start);
    std::printf("%-12s %.2f %% of one core over %.1f s, %d port reads, %d CTS reads, "
                "Stop answered in %.1f ms\n",
                what, 100.0 * cpu / seconds, seconds, window.line->Calls(test::PortOp::ReadAll),
                window.line->Calls(test::PortOp::CtsHolding), 1000.0 * Since(stopped));
}

void WindowPaced() {
    const test::TempDir dir;
    const Bytes image = Image(10 * 1024);
    test::TapeBuilder().Raw(image).WriteTo(dir / "BENCH.TAP");
    BenchWindow window(dir);
    window.line->UseRealTime();
    window.line->SetPaced(true);
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    window.Button("cmdPlay")->click();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double seconds = Since(start);
    const double lineSeconds = static_cast<double>(image.size()) * 10.0 / 9600.0;
    std::printf("window-paced: %zu bytes in %.3f s, the line needs %.3f s: ratio %.4f, "
                "%.2f %% of one core%s\n",
                window.line->Received().size(), seconds, lineSeconds, seconds / lineSeconds,
                100.0 * cpu / seconds, window.line->Received() == image ? "" : "  (BYTES LOST)");
}

void WindowOnAPseudoTerminal() {
    const test::TempDir dir;
    test::PtyPair pty;
    BenchWindow window(dir, std::make_unique<SystemPort>(PortTable{{1, pty.Name()}}));
    auto* progress = window.form->findChild<QLabel*>(QStringLiteral("lblStatus2"));
    const Bytes frame = test::TapeBuilder().Block(255, test::Filled(100, 7)).bytes();
    double idleShare = 0;
    std::optional<Clock::time_point> sent;
    std::optional<double> standing; // seconds the last progress stood
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (sent && !standing && progress->text().isEmpty()) {
            standing = Since(*sent);
        }
    });
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    QTimer::singleShot(3000, [&] {
        idleShare =
            100.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC / Since(start);
        pty.Send(frame);
        sent = Clock::now();
        watch.start(5);
    });
    QTimer::singleShot(6000, [&] { window.Button("cmdStop")->click(); });
    window.Button("cmdRecord")->click();
    std::printf("window-pty:  %.2f %% of one core while nothing came for 3 s; the frame %s, "
                "its progress stood %.2f s\n",
                idleShare,
                test::ReadFileBytes(dir / "IDLE.TAP") == frame ? "recorded whole"
                                                               : "NOT RECORDED WHOLE",
                standing.value_or(-1));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::set<std::string> parts(argv + 1, argv + argc);
    const auto wanted = [&](const char* name) { return parts.empty() || parts.count(name) > 0; };
    if (wanted("window")) {
        WindowSpeed();
    }
    if (wanted("loop")) {
        LoopSpeed();
    }
    if (wanted("paced")) {
        PacedPlayback();
    }
    if (wanted("record")) {
        RecordSpeed();
    }
    if (wanted("idle")) {
        IdleRecording();
    }
    if (wanted("window-idle")) {
        WindowWaiting("window-idle:", "cmdRecord", false);
    }
    if (wanted("window-cts")) {
        WindowWaiting("window-cts:", "cmdPlay", true);
    }
    if (wanted("window-paced")) {
        WindowPaced();
    }
    if (wanted("window-pty")) {
        WindowOnAPseudoTerminal();
    }
    return 0;
}
