// Play and Record driven through the real window's buttons.
#include "app/Form1.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/FileList.h"
#include "serial/SystemPort.h"
#include "support/PtyPair.h"
#include "support/ScriptedDialog.h"
#include "support/SimulatedLine.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"
#include "transfer/LineWaits.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <set>

// The real Exit ends the program at once, on purpose without tearing the
// window down; the leak checker must not count what it leaves behind.
namespace {
bool endingOnPurpose = false;
}
#if defined(__SANITIZE_ADDRESS__)
extern "C" int __lsan_is_turned_off() {
    return endingOnPurpose ? 1 : 0;
}
#endif

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;
using Frames = std::vector<Bytes>;

const Bytes kHeader = TapeBuilder().Block(0, SpectrumHeader(3, "code", 30, 32768, 0)).bytes();
const Bytes kData = TapeBuilder().Block(255, Filled(30, 0x42)).bytes();

Bytes Cat(const Frames& frames) {
    Bytes all;
    for (const auto& f : frames) {
        all.insert(all.end(), f.begin(), f.end());
    }
    return all;
}

// Runs a step every time the event loop turns, that is at every yield of a
// transfer, until the step says it is done.
class EveryTurn {
public:
    explicit EveryTurn(std::function<bool()> step) : step_(std::move(step)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (step_()) {
                timer_.stop();
            }
        });
        timer_.start(0);
    }

private:
    QTimer timer_;
    std::function<bool()> step_;
};

// The window on a folder of its own, with a port the test chooses.
class WindowTransfers : public ::testing::Test {
protected:
    WindowTransfers() { TapeBuilder().Raw(Cat({kHeader, kData})).WriteTo(dir / "GAME.TAP"); }

    void Start(std::unique_ptr<SerialPort> port, bool realExit = false) {
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        Form1::Services services;
        services.port = std::move(port);
        services.exit = [this, realExit](int status) {
            if (realExit) {
                endingOnPurpose = true;
                std::exit(status);
            }
            exits.push_back(status);
        };
        auto scripted = std::make_unique<ScriptedDialog>();
        dialog = scripted.get();
        services.recordDialog = std::move(scripted);
        if (waitForEvents) {
            services.waitForEvents = waitForEvents;
        }
        form = std::make_unique<Form1>(std::move(services));
        QDir::setCurrent(before);
        form->show();
    }

    // before: what happens to the line before the window starts.
    void StartOnSimulatedLine(const std::function<void(SimulatedLine&)>& before = {}) {
        auto simulated = std::make_unique<SimulatedLine>();
        line = simulated.get();
        if (before) {
            before(*line);
        }
        Start(std::move(simulated));
    }

    template <typename T = QWidget> T* Get(const char* name) {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }
    QString Status() { return Get<QLabel>("lblStatus")->text(); }
    QString Status2() { return Get<QLabel>("lblStatus2")->text(); }
    ContentsList* Contents() { return Get<ContentsList>("lstContents"); }
    QStringList Rows() {
        QStringList rows;
        for (int i = 0; i < Contents()->count(); ++i) {
            rows.append(Contents()->itemText(i));
        }
        return rows;
    }

    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Every control's enabled state, by name.
    std::map<std::string, bool> Enabled() {
        std::map<std::string, bool> states;
        for (const char* name :
             {"optMachine0", "optMachine1", "cmdPlay", "cmdReset", "cmdRecord", "cmdStop",
              "cboComPort", "File1", "Dir1", "Drive1", "lstContents", "cboFormat", "cmdExit"}) {
            states[name] = Get(name)->isEnabled();
        }
        return states;
    }

    void ExpectIdleAfterPlay() {
        EXPECT_EQ(Status(), "");
        EXPECT_EQ(Status2(), "");
        EXPECT_EQ(Contents()->currentRow(), 0);
        const auto states = Enabled();
        for (const auto& [name, on] : states) {
            EXPECT_EQ(on, name != "cmdStop" && name != "cboFormat") << name;
        }
    }

    TempDir dir;
    std::unique_ptr<Form1> form;
    SimulatedLine* line = nullptr; // owned by the window
    ScriptedDialog* dialog = nullptr;
    std::vector<int> exits;
    // In place of the window's own wait for events, when set.
    std::function<void(std::chrono::milliseconds)> waitForEvents;
};

TEST_F(WindowTransfers, PlaySendsTheFileAndUnlocksTheWindow) {
    StartOnSimulatedLine();
    ASSERT_TRUE(line->IsOpen());
    ASSERT_EQ(Contents()->count(), 2);
    Contents()->setCurrentRow(1);
    std::vector<QString> seen;
    EveryTurn watch([&] {
        seen.push_back(Status());
        return false;
    });
    Click(Button("cmdPlay"));
    EXPECT_EQ(line->Frames(), Frames{kData}); // from the selected row
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "Playing...");
    ExpectIdleAfterPlay();
}

TEST_F(WindowTransfers, StopWhileWaitingForCts) {
    StartOnSimulatedLine();
    line->SetCts(false);
    std::map<std::string, bool> during;
    QString statusSeen;
    QString statusAfterStop;
    EveryTurn stop([&] {
        during = Enabled();
        statusSeen = Status();
        Click(Button("cmdStop"));
        // Shown before the loop takes up the flag.
        statusAfterStop = Status();
        return true;
    });
    Click(Button("cmdPlay"));
    EXPECT_EQ(statusSeen, "Waiting...");
    EXPECT_EQ(statusAfterStop, "Stopping...");
    for (const auto& [name, on] : during) {
        EXPECT_EQ(on, name == "cmdStop" || name == "cmdExit") << name;
    }
    EXPECT_TRUE(line->Written().empty());
    EXPECT_TRUE(form->StopRequested);
    ExpectIdleAfterPlay();
}

TEST_F(WindowTransfers, RecordWritesTheFramesAndListsTheNewFile) {
    StartOnSimulatedLine();
    dialog->answer = dir / "new.tap";
    line->Send(Cat({kHeader, kData}), SendPlan{{0, 5, 100}});
    std::map<std::string, bool> during;
    EveryTurn stop([&] {
        if (Contents()->count() < 2) {
            during = Enabled();
            return false;
        }
        Click(Button("cmdStop"));
        return true;
    });
    Click(Button("cmdRecord"));
    EXPECT_EQ(ReadFileBytes(dir / "NEW.TAP"), Cat({kHeader, kData}));
    EXPECT_EQ(Contents()->itemText(0), "Code        : code       [Start=32768, Length=30]");
    EXPECT_EQ(Contents()->itemText(1), "{Data block [Length=30]}");
    EXPECT_FALSE(Get<FileList>("File1")->findItems("NEW.TAP", Qt::MatchExactly).isEmpty());
    for (const auto& [name, on] : during) {
        EXPECT_EQ(on, name == "cmdStop" || name == "cmdExit") << name;
    }
    EXPECT_EQ(Status(), "");
    EXPECT_TRUE(Button("cmdPlay")->isEnabled()); // the recording is ready to play
    EXPECT_TRUE(Button("cmdRecord")->isEnabled());
    EXPECT_FALSE(line->Dtr());
}

// Stop before the first block is whole: the file chosen, answered Yes to
// replace, is left as it was; one that was not there is not made.
TEST_F(WindowTransfers, RecordStoppedBeforeABlockLeavesTheOldFile) {
    TapeBuilder().Raw(kData).WriteTo(dir / "OLD.TAP");
    StartOnSimulatedLine();
    const auto names = [this] {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            found.insert(entry.path().filename().string());
        }
        return found;
    };
    const std::set<std::string> before = names();
    for (const char* name : {"OLD.TAP", "NEW.TAP"}) {
        SCOPED_TRACE(name);
        dialog->answer = dir / name;
        // Half a frame, then nothing.
        line->Send(Bytes(kHeader.begin(), kHeader.begin() + 9), SendPlan{{0, 9}});
        int turns = 0;
        EveryTurn stop([&] {
            if (++turns < 20) {
                return false;
            }
            Click(Button("cmdStop"));
            return true;
        });
        Click(Button("cmdRecord"));
        EXPECT_EQ(ReadFileBytes(dir / "OLD.TAP"), kData);
        EXPECT_FALSE(fs::exists(dir / "NEW.TAP"));
        EXPECT_EQ(names(), before); // nothing of the recording's own is left
        EXPECT_EQ(Status(), "");
    }
}

// Notes every change of a control's enabled state, in order.
class EnabledChanges : public QObject {
public:
    explicit EnabledChanges(QWidget* form) {
        for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!control->objectName().isEmpty()) {
                control->installEventFilter(this);
            }
        }
    }
    std::vector<std::pair<std::string, bool>> log;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange) {
            auto* control = static_cast<QWidget*>(watched);
            log.emplace_back(control->objectName().toStdString(), control->isEnabled());
        }
        return false;
    }
};

TEST_F(WindowTransfers, RecordLocksInItsOrderAndRestoresReset) {
    StartOnSimulatedLine();
    ASSERT_TRUE(Button("cmdReset")->isEnabled());
    dialog->answer.reset(); // cancelled
    EnabledChanges changes(form.get());
    Click(Button("cmdRecord"));
    // Controls already in the state asked for raise no change.
    const std::vector<std::pair<std::string, bool>> expected = {
        // Locking, before the dialog.
        {"optMachine0", false},
        {"optMachine1", false},
        {"lstContents", false},
        {"Drive1", false},
        {"File1", false},
        {"Dir1", false},
        {"cmdPlay", false},
        {"cmdReset", false},
        {"cmdRecord", false},
        {"cboComPort", false},
        // The finishing steps: Play stays off, Reset as it was.
        {"optMachine0", true},
        {"optMachine1", true},
        {"cmdRecord", true},
        {"cmdReset", true},
        {"cboComPort", true},
        {"File1", true},
        {"Dir1", true},
        {"Drive1", true},
        {"lstContents", true},
        // The file chosen before is listed again, as a click on it would.
        {"cmdReset", false},
        {"cmdPlay", true},
        {"cmdReset", true}};
    EXPECT_EQ(changes.log, expected);
    EXPECT_EQ(Status(), "");
}

TEST_F(WindowTransfers, ExitDuringRecordingKeepsTheBlocksAndTakesNoFurtherStep) {
    StartOnSimulatedLine();
    dialog->answer = dir / "cut.tap";
    line->Send(Cat({kHeader, kData}), SendPlan{{0, kHeader.size(), 0, 0, 0, 3}});
    int readsAtExit = 0;
    EveryTurn exit([&] {
        if (Contents()->count() < 1) {
            return false;
        }
        Click(Button("cmdExit"));
        readsAtExit = line->Calls(PortOp::ReadAll);
        return true;
    });
    Click(Button("cmdRecord"));
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_FALSE(line->IsOpen());
    EXPECT_EQ(line->Calls(PortOp::ReadAll), readsAtExit);
    EXPECT_EQ(ReadFileBytes(dir / "CUT.TAP"), kHeader);
}

TEST_F(WindowTransfers, ExitDuringPlaybackWritesNoFurtherByte) {
    StartOnSimulatedLine();
    std::size_t writtenAtExit = 0;
    EveryTurn exit([&] {
        if (line->Written().size() < 5) {
            return false;
        }
        Click(Button("cmdExit"));
        writtenAtExit = line->Written().size();
        return true;
    });
    Click(Button("cmdPlay"));
    EXPECT_EQ(exits, std::vector<int>{0});
    EXPECT_EQ(line->Written().size(), writtenAtExit);
}

struct FocusCase {
    const char* name;
    const char* command;
    const char* recordTo; // the dialog's answer; nullptr cancels it
    bool stop;            // Stop is pressed as soon as it can be
};

void PrintTo(const FocusCase& c, std::ostream* os) {
    *os << c.name;
}

class FocusAfterCommand : public WindowTransfers,
                          public ::testing::WithParamInterface<FocusCase> {};

// A transfer disables the button that has focus; once it ends the focus is
// back there, not on Exit, where the next Space would end the program.
TEST_P(FocusAfterCommand, ReturnsToTheControlThatHadIt) {
    const FocusCase& c = GetParam();
    StartOnSimulatedLine();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    if (c.recordTo) {
        dialog->answer = dir / c.recordTo;
    }
    bool stopped = false;
    EveryTurn stop([&] {
        if (c.stop && Button("cmdStop")->isEnabled()) {
            Click(Button("cmdStop"));
            stopped = true;
        }
        return stopped || !c.stop;
    });
    QPushButton* command = Button(c.command);
    Click(command);
    EXPECT_EQ(stopped, c.stop);
    EXPECT_EQ(QApplication::focusWidget(), command)
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                        : "nothing");
    const bool recorded = std::string_view(c.command) == "cmdRecord";
    ASSERT_EQ(dialog->requests.size(), recorded ? 1U : 0U);
    if (recorded) {
        // The dialog opens on the folder the browser shows.
        EXPECT_TRUE(fs::equivalent(dialog->requests[0].initialFolder, dir.path()));
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, FocusAfterCommand,
                         ::testing::Values(FocusCase{"Play", "cmdPlay", nullptr, false},
                                           FocusCase{"RecordStopped", "cmdRecord", "new.tap", true},
                                           FocusCase{"RecordCancelled", "cmdRecord", nullptr,
                                                     false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The system port over a pseudo-terminal: the test is the machine.
TEST_F(WindowTransfers, PlayAndRecordOverAPseudoTerminal) {
    PtyPair pty;
    Start(std::make_unique<SystemPort>(PortTable{{1, pty.Name()}}));
    ASSERT_EQ(Get<QComboBox>("cboComPort")->currentText(), "COM1");

    Click(Button("cmdPlay"));
    EXPECT_EQ(pty.Receive(kHeader.size() + kData.size()), Cat({kHeader, kData}));
    ExpectIdleAfterPlay();

    dialog->answer = dir / "back.tap";
    bool sent = false;
    EveryTurn machine([&] {
        if (!sent) {
            pty.Send(Cat({kData, kHeader}));
            sent = true;
        }
        if (Contents()->count() < 2) {
            return false;
        }
        Click(Button("cmdStop"));
        return true;
    });
    Click(Button("cmdRecord"));
    EXPECT_EQ(ReadFileBytes(dir / "BACK.TAP"), Cat({kData, kHeader}));
}

// TZX images played from the window: the frames of their data blocks, one
// load per Play.
class WindowTapeImages : public WindowTransfers {
protected:
    // Clicks a file of the file list by its name, as a user would.
    void ChooseFile(const QString& name) {
        auto* files = Get<FileList>("File1");
        const auto found = files->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        files->scrollToItem(found.front());
        const QRect place = files->visualItemRect(found.front());
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, place.center());
        ASSERT_EQ(files->FileName(), name);
    }
    // The frames one Play sends.
    Frames Play() {
        const std::size_t before = line->Frames().size();
        Click(Button("cmdPlay"));
        const Frames all = line->Frames();
        return Frames(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    }
};

Bytes Body(const Bytes& frame) {
    return Bytes(frame.begin() + 2, frame.end());
}

TEST_F(WindowTapeImages, AMultiLoadTzxListsItsBlocksAndPlaysOneLoadPerPlay) {
    const Bytes header2 = TapeBuilder().Block(0, SpectrumHeader(3, "more", 40, 40000, 0)).bytes();
    const Bytes data2 = TapeBuilder().Block(255, Filled(40, 0x17)).bytes();
    TapeBuilder().Raw(Cat({kHeader, kData, header2, data2})).WriteTo(dir / "SAME.TAP");
    TzxBuilder()
        .Standard(Body(kHeader))
        .Standard(Body(kData))
        .Pause(1000)
        .Text("Loading...")
        .GroupStart("Side A")
        .StopIf48K()
        .GroupEnd()
        .Standard(Body(header2))
        .Standard(Body(data2))
        .WriteTo(dir / "SAME.tzx");
    StartOnSimulatedLine();

    ChooseFile("SAME.TAP");
    const QStringList tapRows = Rows();
    ASSERT_EQ(tapRows.size(), 4);
    const Frames fromTap = Play();
    ASSERT_EQ(fromTap, (Frames{kHeader, kData, header2, data2}));

    ChooseFile("SAME.tzx");
    EXPECT_EQ(Rows(), (QStringList{tapRows[0], tapRows[1], "Pause       : 1000 ms",
                                   "Text        : Loading...", "Group       : Side A",
                                   "Stop tape (48K)", "Group end", tapRows[2], tapRows[3]}));
    EXPECT_TRUE(Button("cmdPlay")->isEnabled());
    EXPECT_EQ(Contents()->currentRow(), 0);

    EXPECT_EQ(Play(), (Frames{kHeader, kData}));
    EXPECT_EQ(Contents()->currentRow(), 6); // the row after the stop
    EXPECT_TRUE(Contents()->isRowSelected(6));
    EXPECT_EQ(Status(), "");
    EXPECT_TRUE(Button("cmdPlay")->isEnabled());

    EXPECT_EQ(Play(), (Frames{header2, data2}));
    ExpectIdleAfterPlay(); // back at row 0
}

TEST_F(WindowTapeImages, CorpusTapsConvertedToTzxPlayTheSameFrames) {
    const std::string tapeconv = BITREEL_TAPECONV;
    if (tapeconv.empty()) {
        GTEST_SKIP() << "tapeconv not installed";
    }
    QStringList names;
    for (const auto& entry : fs::directory_iterator(fs::path(BITREEL_CORPUS_DIR) / "spectrum")) {
        const fs::path tap = dir / entry.path().filename();
        fs::copy_file(entry.path(), tap);
        fs::path tzx = tap;
        tzx.replace_extension(".tzx");
        const std::string command = tapeconv + " '" + tap.string() + "' '" + tzx.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        names.append(QString::fromStdString(tap.stem().string()));
    }
    ASSERT_FALSE(names.isEmpty());
    StartOnSimulatedLine();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ChooseFile(name + ".tap");
        const QStringList tapRows = Rows();
        const Frames fromTap = Play();
        ChooseFile(name + ".tzx");
        EXPECT_EQ(Rows(), tapRows);
        EXPECT_EQ(Play(), fromTap);
        EXPECT_FALSE(fromTap.empty());
    }
}

TEST_F(WindowTapeImages, ATzxPlaysWholeOverAPseudoTerminal) {
    TzxBuilder()
        .Text("Two blocks")
        .Standard(Body(kHeader))
        .Pause(500)
        .Standard(Body(kData))
        .WriteTo(dir / "A.TZX");
    PtyPair pty;
    Start(std::make_unique<SystemPort>(PortTable{{1, pty.Name()}}));
    ASSERT_EQ(Get<QComboBox>("cboComPort")->currentText(), "COM1");
    ASSERT_EQ(Get<FileList>("File1")->FileName(), "A.TZX"); // listed first, by name
    ASSERT_EQ(Contents()->count(), 4);

    Click(Button("cmdPlay"));
    EXPECT_EQ(pty.Receive(kHeader.size() + kData.size()), Cat({kHeader, kData}));
    ExpectIdleAfterPlay();
}

} // namespace
} // namespace bitreel::test

namespace bitreel::test {
namespace {

// Exit in the middle of a recording, with the real end of the program: the
// process ends with status 0 at once, and the file holds the block that was
// complete.
TEST_F(WindowTransfers, ExitEndsTheProgramWithStatusZeroMidRecording) {
    GTEST_FLAG_SET(death_test_style, "fast");
    const auto record = [this] {
        auto simulated = std::make_unique<SimulatedLine>();
        line = simulated.get();
        Start(std::move(simulated), true);
        dialog->answer = dir / "cut.tap";
        line->Send(Cat({kHeader, kData}), SendPlan{{0, kHeader.size(), 0, 3}});
        EveryTurn exit([&] {
            if (Contents()->count() < 1) {
                return false;
            }
            Click(Button("cmdExit"));
            return true;
        });
        Click(Button("cmdRecord"));
        std::fprintf(stderr, "the recording went on after Exit\n");
        std::_Exit(3);
    };
    EXPECT_EXIT(record(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFileBytes(dir / "CUT.TAP"), kHeader);
}

} // namespace
} // namespace bitreel::test

namespace bitreel::test {
namespace {

// How a Play or Record ends, and what lblStatus says after its finishing
// steps: the reason of a failure, nothing after a complete or stopped run.
enum class Ending {
    Complete,
    Stopped,
    CorruptBlock,
    PortGone,
    FileGone,
    RecordIntoFolder,
    RecordingReplaced
};

struct ReasonCase {
    const char* name;
    Ending ending;
    const char* status;
};

void PrintTo(const ReasonCase& c, std::ostream* os) {
    *os << c.name;
}

class FailureReason : public WindowTransfers, public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(FailureReason, StandsInTheStatusLineAfterTheRun) {
    const ReasonCase& c = GetParam();
    if (c.ending == Ending::CorruptBlock) {
        TapeBuilder()
            .Raw(Cat({kHeader, kData}))
            .Length(4000)
            .Raw({255, 1})
            .WriteTo(dir / "GAME.TAP");
    }
    StartOnSimulatedLine();
    bool record = false;
    switch (c.ending) {
    case Ending::Stopped:
        line->SetCts(false);
        {
            EveryTurn stop([&] {
                Click(Button("cmdStop"));
                return true;
            });
            Click(Button("cmdPlay"));
        }
        break;
    case Ending::PortGone:
        line->VanishAt(PortOp::Write, 5);
        break;
    case Ending::FileGone:
        fs::remove(dir / "GAME.TAP");
        break;
    case Ending::RecordIntoFolder:
        fs::create_directory(dir / "SUB");
        dialog->answer = dir / "SUB";
        record = true;
        break;
    case Ending::RecordingReplaced:
        // Another file takes the recording's name after its first block.
        dialog->answer = dir / "new.tap";
        line->Send(Cat({kHeader, kData}), SendPlan{{0, kHeader.size(), 0, 0, 0, kData.size()}});
        {
            bool replaced = false;
            EveryTurn replace([&] {
                if (Contents()->count() == 1 && !replaced) {
                    TapeBuilder().Raw(kData).WriteTo(dir / "OTHER.TAP");
                    fs::rename(dir / "OTHER.TAP", dir / "NEW.TAP");
                    replaced = true;
                }
                if (Contents()->count() < 2) {
                    return false;
                }
                Click(Button("cmdStop"));
                return true;
            });
            Click(Button("cmdRecord"));
        }
        EXPECT_EQ(Get<FileList>("File1")->FileName(), "NEW-2.TAP"); // listed, ready to play
        break;
    case Ending::Complete:
    case Ending::CorruptBlock:
        break;
    }
    if (c.ending != Ending::Stopped && c.ending != Ending::RecordingReplaced) {
        Click(Button(record ? "cmdRecord" : "cmdPlay"));
    }
    EXPECT_EQ(Status(), c.status);
    EXPECT_EQ(Status2(), "");
    EXPECT_FALSE(Button("cmdStop")->isEnabled());
    EXPECT_TRUE(Button("cmdRecord")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FailureReason,
    ::testing::Values(
        ReasonCase{"Complete", Ending::Complete, ""}, ReasonCase{"Stopped", Ending::Stopped, ""},
        ReasonCase{"CorruptBlock", Ending::CorruptBlock, "Stopped at block 3: corrupt block"},
        ReasonCase{"PortGone", Ending::PortGone, "COM1 went away"},
        ReasonCase{"FileGone", Ending::FileGone, "Cannot read GAME.TAP: No such file or directory"},
        ReasonCase{"RecordIntoFolder", Ending::RecordIntoFolder,
                   "Cannot write SUB: Is a directory"},
        ReasonCase{"RecordingReplaced", Ending::RecordingReplaced,
                   "NEW.TAP was replaced while recording: every block is in NEW-2.TAP"}),
    ByName());

// What the user does next: the reason goes with the next command, file
// click or machine change, and stays through anything else.
struct NextAction {
    const char* name;
    std::function<void(WindowTransfers&)> act;
    bool clears;
};

void PrintTo(const NextAction& c, std::ostream* os) {
    *os << c.name;
}

class FailureReasonGoes : public WindowTransfers, public ::testing::WithParamInterface<NextAction> {
public:
    using WindowTransfers::Button;
    using WindowTransfers::Click;
    using WindowTransfers::Contents;
    using WindowTransfers::Get;
};

TEST_P(FailureReasonGoes, WithTheNextCommandFileOrMachine) {
    StartOnSimulatedLine();
    line->VanishAt(PortOp::Write, 1);
    Click(Button("cmdPlay"));
    ASSERT_EQ(Status(), "COM1 went away");
    line->Reappear();
    GetParam().act(*this);
    EXPECT_EQ(Status(), GetParam().clears ? "" : "COM1 went away");
}

void ClickFile(WindowTransfers& w, const char* name) {
    auto* files = static_cast<FailureReasonGoes&>(w).Get<FileList>("File1");
    const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    files->scrollToItem(items[0]);
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(items[0]).center());
}

INSTANTIATE_TEST_SUITE_P(
    Actions, FailureReasonGoes,
    ::testing::Values(
        NextAction{"FileClick", [](WindowTransfers& w) { ClickFile(w, "GAME.TAP"); }, true},
        NextAction{"MachineChange",
                   [](WindowTransfers& w) {
                       QTest::mouseClick(
                           static_cast<FailureReasonGoes&>(w).Get<QRadioButton>("optMachine1"),
                           Qt::LeftButton);
                   },
                   true},
        NextAction{"Reset",
                   [](WindowTransfers& w) {
                       auto& f = static_cast<FailureReasonGoes&>(w);
                       f.Click(f.Button("cmdReset"));
                   },
                   true},
        NextAction{"RecordCancelled",
                   [](WindowTransfers& w) {
                       auto& f = static_cast<FailureReasonGoes&>(w);
                       f.Click(f.Button("cmdRecord"));
                   },
                   true},
        NextAction{"RowSelected",
                   [](WindowTransfers& w) {
                       static_cast<FailureReasonGoes&>(w).Contents()->setCurrentRow(1);
                   },
                   false}),
    ByName());

} // namespace
} // namespace bitreel::test

namespace bitreel::test {
namespace {

// Play keeps pace with a line paced at 9600 baud: the selected row is the
// block the machine is receiving (or the next one within the last bytes of
// a block), and the progress count is within the port's pending bytes of
// what the machine has received.
TEST_F(WindowTransfers, PlayKeepsPaceWithTheLine) {
    // Frames of different sizes, so that a progress total names its block.
    const Frames frames = {TapeBuilder().Block(255, Filled(150, 1)).bytes(),
                           TapeBuilder().Block(255, Filled(230, 2)).bytes(),
                           TapeBuilder().Block(255, Filled(310, 3)).bytes()};
    TapeBuilder().Raw(Cat(frames)).WriteTo(dir / "GAME.TAP");
    StartOnSimulatedLine();
    line->SetPaced(true);
    line->SetTimePerOperation(std::chrono::microseconds(30));
    std::vector<std::size_t> starts;
    std::size_t total = 0;
    for (const Bytes& f : frames) {
        starts.push_back(total);
        total += f.size();
    }
    const auto blockAt = [&](std::size_t byte) {
        std::size_t block = 0;
        while (block + 1 < starts.size() && starts[block + 1] <= byte) {
            ++block;
        }
        return static_cast<int>(block);
    };
    const std::size_t limit = 64;
    int samples = 0;
    EveryTurn watch([&] {
        const std::size_t received = line->Received().size();
        const QString progress = Status2();
        if (Status() != "Playing..." || received >= total || progress.isEmpty()) {
            return false;
        }
        ++samples;
        const int row = Contents()->currentRow();
        const int receiving = blockAt(received);
        EXPECT_TRUE(row == receiving || row == blockAt(std::min(received + limit, total - 1)))
            << "row " << row << " while byte " << received << " arrives";
        // "n of T": T names the block, n counts its bytes sent.
        const QStringList parts = progress.split(QStringLiteral(" of "));
        EXPECT_EQ(parts.size(), 2);
        const std::size_t count = parts.value(0).toULongLong();
        const std::size_t size = parts.value(1).toULongLong();
        std::size_t block = 0;
        while (block < frames.size() && frames[block].size() != size) {
            ++block;
        }
        EXPECT_LT(block, frames.size()) << progress.toStdString();
        const std::size_t shown = starts.at(std::min(block, frames.size() - 1)) + count;
        EXPECT_LE(shown, received + limit) << progress.toStdString() << " at byte " << received;
        EXPECT_LE(received, shown + limit) << progress.toStdString() << " at byte " << received;
        return false;
    });
    Click(Button("cmdPlay"));
    EXPECT_EQ(line->Frames(), frames);
    EXPECT_GT(samples, 500);
    ExpectIdleAfterPlay();
}

} // namespace
} // namespace bitreel::test

namespace bitreel::test {
namespace {

// After Record the file list chooses the recording when it holds a block,
// else the file chosen before; its blocks are listed and Play follows them.
enum class RecordEnd { Stop, Cancel, PortGoneBeforeDialog, PortGoneAfterABlock };

struct ReadyCase {
    const char* name;
    RecordEnd end;
    const char* recordTo;
    int blocks; // recorded before the end
    const char* chosen;
    int rows; // of GAME.TAP's, however listed
    bool play;
};

class RecordingReady : public WindowTransfers, public ::testing::WithParamInterface<ReadyCase> {};

TEST_P(RecordingReady, ChoosesTheFileWhoseBlocksAreListed) {
    const ReadyCase& c = GetParam();
    StartOnSimulatedLine();
    const QStringList game = Rows();
    if (c.end != RecordEnd::Cancel) {
        dialog->answer = dir / c.recordTo;
    }
    if (c.end == RecordEnd::PortGoneBeforeDialog) {
        line->Vanish();
    }
    if (c.blocks > 0) {
        line->Send(Cat({kHeader, kData}), SendPlan{{0, kHeader.size()}});
    }
    {
        EveryTurn machine([&] {
            if (!Button("cmdStop")->isEnabled() || Contents()->count() < c.blocks) {
                return false;
            }
            c.end == RecordEnd::PortGoneAfterABlock ? line->Vanish() : Click(Button("cmdStop"));
            return true;
        });
        Click(Button("cmdRecord"));
    }
    EXPECT_EQ(Get<FileList>("File1")->FileName(), c.chosen);
    EXPECT_EQ(Rows(), game.mid(0, c.rows));
    EXPECT_EQ(Button("cmdPlay")->isEnabled(), c.play);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, RecordingReady,
    ::testing::Values(ReadyCase{"WroteBlocks", RecordEnd::Stop, "new.tap", 2, "NEW.TAP", 2, true},
                      ReadyCase{"WroteNothing", RecordEnd::Stop, "new.tap", 0, "GAME.TAP", 2, true},
                      ReadyCase{"Cancelled", RecordEnd::Cancel, nullptr, 0, "GAME.TAP", 2, true},
                      ReadyCase{"FailedBeforeTheDialog", RecordEnd::PortGoneBeforeDialog, "new.tap",
                                0, "GAME.TAP", 2, true},
                      ReadyCase{"FailedAfterABlock", RecordEnd::PortGoneAfterABlock, "new.tap", 1,
                                "NEW.TAP", 1, true},
                      // Not a file the list shows: the recorded rows stay, with no file to play.
                      ReadyCase{"NamedOutsideThePattern", RecordEnd::Stop, "new.bin", 2, "", 2,
                                false}),
    ByName());

// Play and Record find the chosen port shut: they open it again once, and
// when it stays shut they say why and list the ports afresh.
enum class PortFate { CameBack, Gone, NoneAtStart, PluggedInAfterStart };

struct ReopenCase {
    const char* name;
    PortFate fate;
    const char* command;
    const char* status;
    const char* listed; // what the port list reads afterwards
    bool ran;           // frames went out, or the record dialog was asked
};

class PortReopening : public WindowTransfers, public ::testing::WithParamInterface<ReopenCase> {};

TEST_P(PortReopening, OpensTheChosenPortAgainOrSaysWhyNot) {
    const ReopenCase& c = GetParam();
    const bool none = c.fate == PortFate::NoneAtStart || c.fate == PortFate::PluggedInAfterStart;
    StartOnSimulatedLine([none](SimulatedLine& l) { none ? l.Vanish() : void(); });
    if (c.fate == PortFate::CameBack || c.fate == PortFate::Gone) {
        line->Vanish(); // the adapter is pulled out ...
    }
    if (c.fate == PortFate::CameBack || c.fate == PortFate::PluggedInAfterStart) {
        line->Reappear(); // ... or plugged in
    }
    Click(Button(c.command));
    EXPECT_EQ(Status(), c.status);
    auto* ports = Get<QComboBox>("cboComPort");
    EXPECT_EQ(ports->currentIndex() >= 0 ? ports->currentText() : ports->placeholderText(),
              c.listed);
    EXPECT_EQ(line->IsOpen(), std::string_view(c.listed) == "COM1");
    EXPECT_EQ(std::string_view(c.command) == "cmdPlay" ? !line->Frames().empty()
                                                       : !dialog->requests.empty(),
              c.ran);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PortReopening,
    ::testing::Values(
        ReopenCase{"PlayAfterTheAdapterCameBack", PortFate::CameBack, "cmdPlay", "", "COM1", true},
        ReopenCase{"RecordAfterTheAdapterCameBack", PortFate::CameBack, "cmdRecord", "", "COM1",
                   true},
        ReopenCase{"PlayWithTheAdapterGone", PortFate::Gone, "cmdPlay", "no such device", "COM0",
                   false},
        ReopenCase{"RecordWithTheAdapterGone", PortFate::Gone, "cmdRecord", "no such device",
                   "COM0", false},
        ReopenCase{"PlayWithNoPort", PortFate::NoneAtStart, "cmdPlay", "No serial port is open",
                   "COM0", false},
        ReopenCase{"RecordWithNoPortSaysSoBeforeItsDialog", PortFate::NoneAtStart, "cmdRecord",
                   "No serial port is open", "COM0", false},
        ReopenCase{"PlayWithNoPortFindsOnePluggedInSince", PortFate::PluggedInAfterStart, "cmdPlay",
                   "No serial port is open", "COM1", false}),
    ByName());

// While nothing can move, the window waits instead of polling at once:
// Record with nothing arriving, Play while CTS is down or the port's queue
// is full. Here its waits move the simulated line's clock. Once the line
// moves, the frames go on byte-exact; Stop clicked in a wait ends the run.
enum class Hold { NothingArrives, CtsDown, QueueFull };

struct WaitCase {
    const char* name;
    Hold hold;
    std::chrono::milliseconds longest; // what one wait may take at most
    std::size_t held;                  // waits before the line moves, or Stop
    bool stop;
};

class WindowWaits : public WindowTransfers, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(WindowWaits, WhileNothingCanMove) {
    const WaitCase& c = GetParam();
    const bool record = c.hold == Hold::NothingArrives;
    std::vector<std::chrono::milliseconds> waits;
    int ioAtStop = 0;
    std::vector<bool> dtrInWaits;
    const auto io = [this] { return line->Calls(PortOp::ReadAll) + line->Calls(PortOp::Write); };
    waitForEvents = [&](std::chrono::milliseconds most) {
        waits.push_back(most);
        dtrInWaits.push_back(line->Dtr());
        line->Advance(most);
        QCoreApplication::processEvents();
        if (waits.size() == c.held && c.stop) {
            Click(Button("cmdStop"));
            ioAtStop = io();
        } else if (waits.size() == c.held) {
            record ? line->Send(Cat({kHeader, kData})) : line->SetCts(true);
        }
    };
    StartOnSimulatedLine();
    dialog->answer = dir / "rec.tap";
    line->SetCts(c.hold != Hold::CtsDown);
    line->SetPaced(c.hold == Hold::QueueFull);
    line->SetTimePerOperation(std::chrono::microseconds(30));
    // Record stops once both blocks are in; a window that never waited would
    // poll for ever, and is stopped after far more passes than that takes.
    EveryTurn stop([&, turns = 0]() mutable {
        if ((record && Contents()->count() == 2) || ++turns == 1'000'000) {
            Click(Button("cmdStop"));
        }
        return false;
    });
    Click(Button(record ? "cmdRecord" : "cmdPlay"));
    ASSERT_GE(waits.size(), c.held);
    EXPECT_LE(*std::max_element(waits.begin(), waits.end()), c.longest);
    // Raised while Record waits for the machine's bytes, and only then.
    EXPECT_EQ(dtrInWaits, std::vector<bool>(waits.size(), record));
    EXPECT_FALSE(line->Dtr());
    if (c.stop) {
        EXPECT_EQ(waits.size(), c.held); // no further wait, read or write
        EXPECT_EQ(io(), ioAtStop);
    } else if (record) {
        EXPECT_EQ(ReadFileBytes(dir / "REC.TAP"), Cat({kHeader, kData}));
    } else {
        EXPECT_EQ(line->Frames(), (Frames{kHeader, kData}));
    }
    EXPECT_FALSE(Button("cmdStop")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Holds, WindowWaits,
    ::testing::Values(
        WaitCase{"RecordGoesOn", Hold::NothingArrives, LineWaits::RecordWait, 50, false},
        WaitCase{"RecordStops", Hold::NothingArrives, LineWaits::RecordWait, 5, true},
        WaitCase{"PlayHeldByCtsGoesOn", Hold::CtsDown, LineWaits::CtsWait, 50, false},
        WaitCase{"PlayHeldByCtsStops", Hold::CtsDown, LineWaits::CtsWait, 5, true},
        WaitCase{"PlayIntoAFullQueueGoesOn", Hold::QueueFull, LineWaits::OutputWaitMax, 4, false},
        WaitCase{"PlayIntoAFullQueueStops", Hold::QueueFull, LineWaits::OutputWaitMax, 4, true}),
    ByName());

// A finished block's progress stands for a count of empty passes, as it
// always has: the window makes them at once, and waits once it is cleared.
TEST_F(WindowTransfers, RecordClearsAStandingProgressLineBeforeItWaits) {
    std::vector<QString> progressInWaits;
    waitForEvents = [&](std::chrono::milliseconds most) {
        progressInWaits.push_back(Status2());
        line->Advance(most);
        QCoreApplication::processEvents();
        if (progressInWaits.size() == 3) {
            Click(Button("cmdStop"));
        }
    };
    StartOnSimulatedLine();
    dialog->answer = dir / "rec.tap";
    line->Send(kData, SendPlan{{0, kData.size()}});
    Click(Button("cmdRecord"));
    EXPECT_EQ(ReadFileBytes(dir / "REC.TAP"), kData);
    EXPECT_EQ(progressInWaits, std::vector<QString>(3, QString()));
}

} // namespace
} // namespace bitreel::test
