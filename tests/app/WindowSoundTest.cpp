// The contents list's "Play through sound card" in the real window, on a
// fake sound card whose clock runs in the window's waits.
#include "TestWindow.h"

#include "app/Form1.h"
#include "app/browser/ContentsList.h"
#include "app/browser/FileList.h"
#include "fastload/SnapshotTapes.h"
#include "signal/decode/RecordingTzx.h"
#include "support/FakeAudioOutput.h"
#include "support/RenderedTape.h"
#include "support/SnapshotFiles.h"
#include "support/SoundFile.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <set>

#include <gtest/gtest.h>

namespace bitreel {
namespace {

using test::TapeBuilder;
using test::TzxBuilder;
using namespace std::chrono_literals;

constexpr std::uint32_t Rate = DefaultSampleRate;

// The engine owns the output it is given; the test keeps the fake.
class SharedOutput final : public AudioOutput {
public:
    explicit SharedOutput(test::FakeAudioOutput& fake) : fake_(fake) {}
    std::size_t FreeSamples() override { return fake_.FreeSamples(); }
    std::size_t QueuedSamples() override { return fake_.QueuedSamples(); }
    void Write(std::span<const std::int16_t> samples) override { fake_.Write(samples); }
    std::uint64_t Underruns() override { return fake_.Underruns(); }
    void Drained() override { fake_.Drained(); }
    void Discard() override { fake_.Discard(); }
    std::optional<std::string> Failure() override { return fake_.Failure(); }

private:
    test::FakeAudioOutput& fake_;
};

// Answers the save dialog as the test says, and keeps what it was asked.
class ScriptedSave final : public SaveFileDialog {
public:
    std::optional<std::filesystem::path> Ask(const SaveDialogRequest& request) override {
        asked.push_back(request);
        return answer;
    }
    std::optional<std::filesystem::path> answer;
    std::vector<SaveDialogRequest> asked;
};

// Answers the record dialog with a file, and keeps what it was asked.
class ScriptedRecord final : public RecordFileDialog {
public:
    std::optional<std::filesystem::path> Ask(const RecordDialogRequest& request) override {
        asked.push_back(request);
        return answer;
    }
    std::optional<std::filesystem::path> answer;
    std::vector<RecordDialogRequest> asked;
};

// Line-in with a tape playing into it: the samples a piece at a time, then
// silence, and after a second of it the user presses Stop.
class PlayingInput final : public AudioInput {
public:
    PlayingInput(std::vector<float> tape, std::function<void()> stop)
        : tape_(std::move(tape)), stop_(std::move(stop)) {}
    std::uint32_t Rate() const override { return Rate_; }
    void Read(std::vector<float>& samples) override {
        constexpr std::size_t Piece = 4410;
        const std::size_t from = std::min(at_, tape_.size());
        const std::size_t to = std::min(at_ + Piece, tape_.size());
        samples.assign(tape_.begin() + std::ptrdiff_t(from), tape_.begin() + std::ptrdiff_t(to));
        samples.resize(Piece, 0.0f);
        at_ += Piece;
        if (at_ > tape_.size() + Rate_ && stop_) {
            std::exchange(stop_, nullptr)();
        }
    }
    std::optional<std::string> Failure() override { return std::nullopt; }

private:
    static constexpr std::uint32_t Rate_ = DefaultSampleRate;
    std::vector<float> tape_;
    std::size_t at_ = 0;
    std::function<void()> stop_;
};

class WindowSound : public ::testing::Test {
protected:
    WindowSound() {
        TapeBuilder()
            .Block(0, test::SpectrumHeader(3, "code", 30, 32768, 0))
            .Block(255, test::Bytes(30, 0x42))
            .WriteTo(dir / "GAME.TAP");
        TzxBuilder().PureTone(2168, 1500).Pause(0).PureTone(2168, 1500).WriteTo(dir / "LOADS.TZX");
    }

    void Start(bool withSoundCard = true) {
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path().string()));
        Form1::Services services;
        services.port = std::make_unique<test::FakePort>(line);
        services.exit = [](int) {};
        services.drives = [] { return QStringList(); };
        if (withSoundCard) {
            services.audioOutput = [this](std::uint32_t rate) -> std::unique_ptr<AudioOutput> {
                EXPECT_EQ(rate, Rate);
                ++opened;
                return std::make_unique<SharedOutput>(sound);
            };
        }
        // The sound card plays in the window's waits; each turn also lets
        // the test act as a user would.
        services.waitForEvents = [this](std::chrono::milliseconds most) {
            sound.Advance(most);
            QCoreApplication::processEvents();
            rowsSeen.insert(Contents()->currentRow());
            if (onWait) {
                onWait();
            }
        };
        if (withSoundCard) {
            services.audioInput = [this](std::uint32_t rate) -> std::unique_ptr<AudioInput> {
                EXPECT_EQ(rate, Rate);
                return std::make_unique<PlayingInput>(
                    test::RenderTape(dir / "GAME.TAP", MachineKind::Spectrum, Rate).samples,
                    [this] { Get<QPushButton>("cmdStop")->click(); });
            };
        }
        auto scripted = std::make_unique<ScriptedSave>();
        save = scripted.get();
        services.saveDialog = std::move(scripted);
        auto recording = std::make_unique<ScriptedRecord>();
        record = recording.get();
        services.recordDialog = std::move(recording);
        form = std::make_unique<Form1>(std::move(services));
        QDir::setCurrent(before);
        form->show();
        static_cast<void>(QTest::qWaitForWindowExposed(form.get()));
    }

    template <typename T = QWidget> T* Get(const char* name) {
        auto* control = form->findChild<T*>(QString::fromLatin1(name));
        if (!control) {
            throw std::runtime_error(std::string("no control ") + name);
        }
        return control;
    }
    ContentsList* Contents() { return Get<ContentsList>("lstContents"); }
    QString Status() { return Get<QLabel>("lblStatus")->text(); }
    QString Status2() { return Get<QLabel>("lblStatus2")->text(); }
    void PressPlayKey() { QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier); }

    test::TempDir dir;
    test::FakeLine line;
    test::FakeAudioOutput sound{Rate, Rate};
    std::unique_ptr<Form1> form;
    ScriptedSave* save = nullptr;     // the window's
    ScriptedRecord* record = nullptr; // the window's
    int opened = 0;
    std::set<int> rowsSeen;
    std::function<void()> onWait;
};

// The contents menu's entries, and whether the sound entries and their keys
// work: only with a file selected whose rows are listed.
enum class Browsed {
    FileListed,
    NoFileOfTheMachine, // the rows stay, with no file to play them from
};

struct MenuCase {
    std::string name;
    Browsed browsed;
    bool soundEntries;
};

void PrintTo(const MenuCase& c, std::ostream* os) {
    *os << c.name;
}

class WindowSoundMenu : public WindowSound, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(WindowSoundMenu, OffersTheSoundEntriesForTheFileSelected) {
    const MenuCase& c = GetParam();
    Start();
    if (c.browsed == Browsed::NoFileOfTheMachine) {
        std::filesystem::remove(dir / "LOADS.TZX");
        Get<QRadioButton>("optMachine1")->click();
        ASSERT_EQ(Contents()->count(), 2);
    }
    QStringList entries;
    std::vector<bool> enabled;
    QStringList keys;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) {
                    continue;
                }
                entries << action->text();
                enabled.push_back(action->isEnabled());
                keys << action->shortcut().toString();
            }
            menu->close();
        }
    });
    QWidget* rows = Contents()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            rows->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(rows, &click);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("&Play through sound card"),
                                    QStringLiteral("&Save as audio..."),
                                    QStringLiteral("&Record from sound card..."),
                                    QStringLiteral("&Invert the wave")}));
    const bool sound = c.soundEntries;
    EXPECT_EQ(enabled, (std::vector<bool>{sound, sound, true, true}));
    EXPECT_EQ(keys, (QStringList{QStringLiteral("Ctrl+P"), QStringLiteral("Ctrl+S"),
                                 QStringLiteral("Ctrl+R"), QString()}));
    // The keys do what the entries do.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(save->asked.size(), sound ? 1U : 0U);
    PressPlayKey();
    EXPECT_EQ(opened, sound ? 1 : 0);
    EXPECT_EQ(Status().toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, WindowSoundMenu,
                         testing::Values(MenuCase{"AFileListed", Browsed::FileListed, true},
                                         MenuCase{"NoFileOfTheMachineChosen",
                                                  Browsed::NoFileOfTheMachine, false}),
                         test::ByName{});

TEST_F(WindowSound, TheWaveTurnsOverWhenAsked) {
    Start();
    std::vector<std::int16_t> rests;
    for (const bool inverted : {false, true, false}) {
        Get<QAction>("actInvertSound")->setChecked(inverted);
        sound = test::FakeAudioOutput(Rate, Rate);
        PressPlayKey();
        ASSERT_FALSE(sound.written.empty());
        rests.push_back(sound.written.front()); // the tape at rest, before the first pulse
    }
    EXPECT_LT(rests[0], 0);
    EXPECT_EQ(rests[1], -rests[0]);
    EXPECT_EQ(rests[2], rests[0]);
}

TEST_F(WindowSound, PlaysFromTheSelectedRowSelectingEachRowAsItIsHeard) {
    Start();
    ASSERT_EQ(Contents()->count(), 2);
    Contents()->setCurrentRow(0);
    std::set<QString> progressShown;
    bool lockedAsForPlay = true;
    onWait = [&] {
        if (Status2().endsWith(QStringLiteral(" s"))) {
            progressShown.insert(Status2());
        }
        lockedAsForPlay = lockedAsForPlay && !Get<QPushButton>("cmdPlay")->isEnabled() &&
                          Get<QPushButton>("cmdStop")->isEnabled() && !Contents()->isEnabled() &&
                          !Get<QPushButton>("cmdRecord")->isEnabled();
    };
    PressPlayKey();

    EXPECT_EQ(opened, 1);
    EXPECT_EQ(rowsSeen, (std::set<int>{0, 1}));
    EXPECT_TRUE(lockedAsForPlay);
    // Each block's time as it plays, then its whole length: the header's
    // 8063 pilot pulses and 21 bytes take 5.9 s, with the pause after it.
    EXPECT_GT(progressShown.size(), 10U);
    EXPECT_TRUE(progressShown.count(QStringLiteral("0.0 of 6.0 s")) ||
                progressShown.count(QStringLiteral("0.1 of 6.0 s")))
        << progressShown.begin()->toStdString();
    EXPECT_TRUE(sound.WasDrained());
    EXPECT_EQ(sound.Underruns(), 0U);
    // Over, as a Play is: the first row again, and the window free.
    EXPECT_EQ(Contents()->currentRow(), 0);
    EXPECT_TRUE(Contents()->isEnabled());
    EXPECT_TRUE(Get<QPushButton>("cmdPlay")->isEnabled());
    EXPECT_FALSE(Get<QPushButton>("cmdStop")->isEnabled());
    EXPECT_EQ(Status(), QString());
    EXPECT_EQ(Status2(), QString());
    EXPECT_TRUE(line.log.empty() || line.log.back().find("write") == std::string::npos)
        << "nothing goes to the serial line";
}

TEST_F(WindowSound, StopEndsTheSound) {
    Start();
    Contents()->setCurrentRow(1);
    onWait = [&] {
        if (sound.Played() > Rate && Get<QPushButton>("cmdStop")->isEnabled()) {
            QTest::mouseClick(Get<QPushButton>("cmdStop"), Qt::LeftButton);
        }
    };
    PressPlayKey();
    EXPECT_TRUE(sound.WasDiscarded());
    EXPECT_FALSE(sound.WasDrained());
    EXPECT_EQ(rowsSeen, (std::set<int>{1}));
    EXPECT_EQ(Status(), QString());
    EXPECT_TRUE(Contents()->isEnabled());
}

TEST_F(WindowSound, AStopBlockWaitsForThePlayKey) {
    Start();
    ASSERT_TRUE(form->ChooseListedFile(QStringLiteral("LOADS.TZX")));
    ASSERT_EQ(Contents()->count(), 3);
    Contents()->setCurrentRow(0);
    QString stoppedText;
    int waitsStopped = 0;
    onWait = [&] {
        if (Status().startsWith(QStringLiteral("Tape stopped"))) {
            stoppedText = Status();
            EXPECT_EQ(Contents()->currentRow(), 1);
            // The tape stays stopped a while, then the user goes on.
            if (++waitsStopped == 100) {
                PressPlayKey();
            }
        }
    };
    PressPlayKey();
    EXPECT_EQ(stoppedText, QStringLiteral("Tape stopped at block 2: Ctrl+P goes on"));
    EXPECT_GE(waitsStopped, 100);
    EXPECT_EQ(rowsSeen, (std::set<int>{0, 1, 2}));
    EXPECT_TRUE(sound.WasDrained());
    EXPECT_EQ(sound.Underruns(), 0U);
    EXPECT_EQ(opened, 1) << "the key went on, and started no second play";
}

TEST_F(WindowSound, NoSoundCardSaysSo) {
    Start(false);
    PressPlayKey();
    EXPECT_EQ(Status(), QStringLiteral("No sound card to play to"));
    EXPECT_TRUE(Contents()->isEnabled());
}

// What "Save as audio..." makes of the name the user gives, what its status
// line says, and the file list after it.
struct SaveCase {
    std::string name;
    std::optional<std::string> answer; // none: the dialog is cancelled
    std::string written;               // the file that must exist, or none
    std::string start;                 // its first bytes
    std::string status;                // a pattern for the whole of it
    QStringList listed;                // the file list afterwards
};

void PrintTo(const SaveCase& c, std::ostream* os) {
    *os << c.name;
}

// The success line, the sound's length in tenths of a second: ten seconds
// and more for the test tape's two pilots, pauses, lead and tail.
std::string Saved(const std::string& name) {
    return "Saved 1[0-9]\\.[0-9] s of sound to " + name;
}

// The files of the test's folder, with one more.
QStringList ListedWith(const char* name) {
    QStringList files{QStringLiteral("GAME.TAP"), QStringLiteral("LOADS.TZX")};
    if (name != nullptr) {
        files << QString::fromLatin1(name);
    }
    return files;
}

class WindowSaveAudio : public WindowSound, public ::testing::WithParamInterface<SaveCase> {};

std::string FirstBytes(const std::filesystem::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

TEST_P(WindowSaveAudio, WritesTheFileTheNameAsksFor) {
    const SaveCase& c = GetParam();
    std::filesystem::create_directory(dir / "sounds");
    Start();
    if (c.answer) {
        save->answer = dir / *c.answer;
    }
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(save->asked.size(), 1U);
    EXPECT_EQ(save->asked.front().suggested, dir / "GAME.wav");
    EXPECT_EQ(save->asked.front().pattern, "*.wav *.flac *.csw");
    if (!c.written.empty()) {
        EXPECT_EQ(FirstBytes(dir / c.written, c.start.size()), c.start);
    }
    // The whole line is on screen, a name too long for it shortened in its
    // middle; the tooltip holds all of it.
    QLabel* status = Get<QLabel>("lblStatus");
    const QString whole = c.status.empty() ? QString() : status->toolTip();
    EXPECT_TRUE(
        QRegularExpression(QRegularExpression::anchoredPattern(QString::fromStdString(c.status)))
            .match(whole)
            .hasMatch())
        << whole.toStdString();
    EXPECT_TRUE(test::ShownWhole(*status)) << Status().toStdString();
    const qsizetype cut = Status().indexOf(QChar(0x2026));
    EXPECT_TRUE(Status() == whole || (cut > 0 && whole.startsWith(Status().left(cut)) &&
                                      whole.endsWith(Status().mid(cut + 1))))
        << Status().toStdString();
    // Listed at once when it went beside the tapes, the file chosen kept.
    auto* files = Get<FileList>("File1");
    EXPECT_EQ(test::TestWindow::Rows(files).join(u'|').toStdString(),
              c.listed.join(u'|').toStdString());
    EXPECT_EQ(files->FileName(), QStringLiteral("GAME.TAP"));
    EXPECT_TRUE(Contents()->isEnabled());
    EXPECT_EQ(opened, 0) << "no sound card is needed";
}

INSTANTIATE_TEST_SUITE_P(
    Names, WindowSaveAudio,
    testing::Values(
        SaveCase{"Wav", "OUT.wav", "OUT.wav", "RIFF", Saved("OUT\\.wav"), ListedWith("OUT.wav")},
        SaveCase{"CswInCapitals", "OUT.CSW", "OUT.CSW", "Compressed Square Wave",
                 Saved("OUT\\.CSW"), ListedWith("OUT.CSW")},
        SaveCase{"Flac", "OUT.flac", "OUT.flac", "fLaC", Saved("OUT\\.flac"),
                 ListedWith("OUT.flac")},
        SaveCase{"NoExtensionGetsWav", "OUT", "OUT.wav", "RIFF", Saved("OUT\\.wav"),
                 ListedWith("OUT.wav")},
        SaveCase{
            "NameLongerThanTheLine",
            "MANIC_MINER_1983_BUG_BYTE_SOFTWARE_SIDE_A_SECOND_COPY_FROM_THE_ATTIC.wav",
            "MANIC_MINER_1983_BUG_BYTE_SOFTWARE_SIDE_A_SECOND_COPY_FROM_THE_ATTIC.wav", "RIFF",
            Saved("MANIC_MINER_1983_BUG_BYTE_SOFTWARE_SIDE_A_SECOND_COPY_FROM_THE_ATTIC\\.wav"),
            ListedWith("MANIC_MINER_1983_BUG_BYTE_SOFTWARE_SIDE_A_SECOND_COPY_FROM_THE_ATTIC.wav")},
        SaveCase{"IntoAnotherFolder", "sounds/OUT.wav", "sounds/OUT.wav", "RIFF",
                 Saved("OUT\\.wav"), ListedWith(nullptr)},
        SaveCase{"Cancelled", std::nullopt, "", "", "", ListedWith(nullptr)},
        SaveCase{"FolderGone", "gone/OUT.wav", "", "",
                 "Cannot write OUT.wav: No such file or directory", ListedWith(nullptr)}),
    test::ByName{});

// The tape's sound saved from its second block over the recording shown:
// the rows are the new file's.
TEST_F(WindowSound, SavingOverTheFileShownListsItAfresh) {
    InstallRecordingFiles(); // as the program does: sound files are tapes too
    Start();
    save->answer = dir / "GAME.wav";
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(form->ChooseListedFile(QStringLiteral("GAME.wav")));
    ASSERT_EQ(Contents()->count(), 2);
    Contents()->setCurrentRow(1);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Saved "))) << Status().toStdString();
    EXPECT_EQ(Get<FileList>("File1")->FileName(), QStringLiteral("GAME.wav"));
    EXPECT_EQ(Contents()->count(), 1);
}

// A tape played into line-in: each block is listed as it ends, and the
// file chosen holds them, the machine's blocks in a TAP, all as read in a
// TZX.
TEST_F(WindowSound, RecordFromTheSoundCardListsAndKeepsEachBlock) {
    for (const char* name : {"REC.TZX", "REC.TAP"}) {
        Start();
        record->answer = dir / name;
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        ASSERT_EQ(record->asked.size(), 1U);
        EXPECT_EQ(record->asked.front().pattern, "*.TZX *.TAP");
        EXPECT_EQ(Contents()->count(), 2) << Status().toStdString();
        EXPECT_EQ(Contents()->itemText(0).toStdString().substr(0, 4), "Code");
        EXPECT_TRUE(Contents()->isEnabled());
        TapeImage image(dir / name, MachineKind::Spectrum, TapeLayout::SpectrumTap);
        image.IndexAll();
        EXPECT_EQ(test::SentBlocks(image),
                  test::RenderTape(dir / "GAME.TAP", MachineKind::Spectrum, Rate).blocks)
            << name;
    }
    Start();
    record->answer = dir / "REC.z80";
    QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Status(), QStringLiteral("Record into a .TZX or .TAP file, not a sound file or a "
                                       "snapshot"));
    EXPECT_FALSE(std::filesystem::exists(dir / "REC.z80"));
}

TEST_F(WindowSound, SavingACorruptTapeSaysWhereTheSoundEnds) {
    TapeBuilder().Block(255, {1, 2}).Length(900).Raw({1, 2, 3}).WriteTo(dir / "BAD.TAP");
    Start();
    ASSERT_TRUE(form->ChooseListedFile(QStringLiteral("BAD.TAP")));
    save->answer = dir / "BAD.wav";
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Status(), QStringLiteral("Stopped at block 2: corrupt block"));
    EXPECT_TRUE(std::filesystem::exists(dir / "BAD.wav"));
}

// A snapshot listed is the tape that loads it: it plays through the sound
// card, fast blocks and all, and saves as audio; Play over the line refuses
// it, sending nothing.
TEST_F(WindowSound, ASnapshotPlaysAsTheTapeThatLoadsIt) {
    fastload::InstallSnapshotTapes(); // as the program does
    const std::filesystem::path ted = test::SnapshotDir / "speccymac-technted.z80";
    std::filesystem::copy_file(ted, dir / "TED.z80");
    const auto expected = test::RenderTape(ted, MachineKind::Spectrum, Rate).samples;
    for (int n = 1; n <= 16; ++n) {
        line.present.insert(n); // whichever port is chosen would open
    }
    Start();
    ASSERT_TRUE(form->ChooseListedFile(QStringLiteral("TED.z80")));
    EXPECT_TRUE(Contents()->itemText(0).contains(QStringLiteral("Snapshot 48K: PC 0x")));

    line.log.clear(); // what the window did with the port before Play is not Play's
    Get<QPushButton>("cmdPlay")->click();
    EXPECT_TRUE(Status().contains(QStringLiteral("is a snapshot: play it through the sound card")))
        << Status().toStdString();
    // The window's port refuses writes; Play may not even open it.
    EXPECT_TRUE(std::none_of(line.log.begin(), line.log.end(),
                             [](const std::string& entry) { return entry.starts_with("open"); }));

    Contents()->setCurrentRow(0);
    PressPlayKey();
    EXPECT_TRUE(sound.WasDrained());
    // The whole tape, fast blocks and all, with the live play's second of
    // silence around it: the bootstrap alone is a fifth of it.
    EXPECT_NEAR(double(sound.written.size()), double(expected.size()), Rate * 2.0);

    save->answer = dir / "TED.wav";
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Saved "))) << Status().toStdString();
    EXPECT_EQ(test::ReadSound(dir / "TED.wav").samples.size(), expected.size());

    // Cut after it was listed: the reader's reason, not the error code's alone.
    std::filesystem::resize_file(dir / "TED.z80", 100);
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Status().toStdString(),
              "Cannot read TED.z80: its packed 48 KB of memory: the file ends before its "
              "snapshot does");
}

} // namespace
} // namespace bitreel
