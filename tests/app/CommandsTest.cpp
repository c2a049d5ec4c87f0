// Stop, Reset and Exit, closing through the frame, and the access keys.
#include "TestWindow.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <QCloseEvent>
#include <QSignalSpy>

namespace bitreel::test {
namespace {

class Commands : public ::testing::Test {
protected:
    TempDir dir;
    FakeLine line;
};

// Records what a control showed, and the stop flag, whenever it was painted.
class PaintWatch : public QObject {
public:
    PaintWatch(QLabel* label, const Form1& form) : label_(label), form_(form) {
        label->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paints.push_back({label_->text(), form_.StopRequested});
        }
        return false;
    }
    std::vector<std::pair<QString, bool>> paints;

private:
    QLabel* label_;
    const Form1& form_;
};

TEST_F(Commands, StopShowsItsTextBeforeItSetsTheFlag) {
    TestWindow w(dir.path(), line);
    QPushButton* stop = w.Button("cmdStop");
    stop->setEnabled(true); // as a running transfer leaves it
    QLabel* status = w.Label("lblStatus");
    PaintWatch watch(status, *w.form);

    TestWindow::Click(stop);
    EXPECT_EQ(status->text(), "Stopping...");
    EXPECT_TRUE(w.form->StopRequested);
    // Painted at once, inside the handler: the flag was not yet set.
    ASSERT_FALSE(watch.paints.empty());
    EXPECT_EQ(watch.paints.front(), std::make_pair(QString("Stopping..."), false));
    EXPECT_TRUE(stop->isEnabled()) << "Stop changes no other control";
}

TEST_F(Commands, ResetSelectsTheFirstRow) {
    TapeBuilder().Block(255, {1}).Block(255, {2}).Block(255, {3}).WriteTo(dir / "a.tap");
    TapeBuilder().WriteTo(dir / "b.tap");
    TestWindow w(dir.path(), line);
    ContentsList* rows = w.Contents();
    QPushButton* reset = w.Button("cmdReset");

    TestWindow::ClickRow(rows, 2);
    ASSERT_EQ(rows->currentRow(), 2);
    TestWindow::Click(reset);
    EXPECT_EQ(rows->currentRow(), 0);
    EXPECT_TRUE(rows->isRowSelected(0));

    // A Ctrl-click does not leave the list without a selected row.
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      rows->visualRowRect(0).center());
    EXPECT_TRUE(rows->isRowSelected(0));
    EXPECT_EQ(rows->selectionModel()->selectedRows().size(), 1);

    // An empty file: Reset is enabled and changes nothing.
    TestWindow::ClickRow(w.Files(), 1);
    ASSERT_TRUE(reset->isEnabled());
    TestWindow::Click(reset);
    EXPECT_EQ(rows->count(), 0);
    EXPECT_EQ(rows->currentRow(), -1);
}

struct ExitCase {
    const char* name;
    std::set<int> present;
    bool failClose;
    bool throughFrame;
    std::vector<std::string> log; // after start-up
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << c.name;
}

class Exit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(Exit, ClosesThePortAndEveryFileThenEnds) {
    const ExitCase& c = GetParam();
    TempDir dir;
    FakeLine line{c.present, {}, {}, c.failClose};
    TestWindow w(dir.path(), line);
    const std::size_t started = line.log.size();
    auto held = w.form->HeldFiles().Keep([&] { line.log.push_back("file closed"); });
    {
        auto let = w.form->HeldFiles().Keep([&] { line.log.push_back("let go"); });
    }

    if (c.throughFrame) {
        w.form->close();
    } else {
        TestWindow::Click(w.Button("cmdExit"));
    }
    EXPECT_EQ(std::vector<std::string>(line.log.begin() + started, line.log.end()), c.log);
    EXPECT_TRUE(w.form->HeldFiles().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Exit,
    ::testing::Values(
        ExitCase{"PortOpen", {2}, false, false, {"close 2", "file closed", "exit 0"}},
        ExitCase{"PortClosed", {}, false, false, {"file closed", "exit 0"}},
        ExitCase{"PortFailsToClose", {2}, true, false, {"close 2", "file closed", "exit 0"}},
        ExitCase{"ThroughTheFrame", {2}, false, true, {"close 2", "file closed", "exit 0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Commands, AccessKeysPressTheirButtons) {
    TestWindow w(dir.path(), line);
    w.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
    const struct {
        const char* button;
        Qt::Key key;
    } keys[] = {{"cmdPlay", Qt::Key_A},
                {"cmdStop", Qt::Key_O},
                {"cmdRecord", Qt::Key_C},
                {"cmdReset", Qt::Key_R},
                {"cmdExit", Qt::Key_X}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.button);
        QPushButton* button = w.Button(k.button);
        button->setEnabled(true);
        QSignalSpy pressed(button, &QPushButton::clicked);
        QTest::keyClick(w.form.get(), k.key, Qt::AltModifier);
        // An access key presses the button visibly; the click follows a moment later.
        EXPECT_TRUE(pressed.count() == 1 || pressed.wait(2000));
        EXPECT_EQ(pressed.count(), 1);
    }
    EXPECT_EQ(line.log.back(), "exit 0");
}

} // namespace
} // namespace bitreel::test
