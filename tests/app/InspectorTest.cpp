// Looking inside a block: the contents list opens inspectors, which show the
// views that fit, close on Escape, and save and copy what they show.
#include "TestWindow.h"

#include "app/inspector/BesidePlacement.h"
#include "app/inspector/BlockInspector.h"
#include "app/inspector/ScreenTab.h"
#include "app/inspector/SignalTab.h"
#include "fastload/SnapshotTapes.h"
#include "signal/decode/RecordingTzx.h"
#include "signal/render/TapeAudioFile.h"
#include "support/SnapshotFiles.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TestNames.h"
#include "support/TzxBuilder.h"
#include "tape/Conversion.h"
#include "view/HexDump.h"
#include "view/screen/ScreenImage.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>

#include <fstream>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

class ScriptedSave : public SaveFileDialog {
public:
    explicit ScriptedSave(std::optional<fs::path> answer) : answer_(std::move(answer)) {}
    std::optional<fs::path> Ask(const SaveDialogRequest&) override { return answer_; }

private:
    std::optional<fs::path> answer_;
};

// The payload of block row of a file stored with flags (Spectrum TAP),
// walked here by its length fields alone.
Bytes PayloadOfRow(const fs::path& file, int row) {
    const Bytes image = ReadFileBytes(file);
    std::size_t at = 0;
    for (int k = 0; k < row; ++k) {
        at += 2 + (image[at] | (image[at + 1] << 8));
    }
    const std::size_t length = image[at] | (image[at + 1] << 8);
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(at + 3),
                 image.begin() + static_cast<std::ptrdiff_t>(at + 2 + length - 1));
}

class Inspector : public ::testing::Test {
protected:
    // The window on a folder holding one corpus file, listed; the Jupiter
    // Ace files in the TAP format.
    std::unique_ptr<TestWindow> Open(const char* corpusFile) {
        file = dir / fs::path(corpusFile).filename().string();
        fs::copy_file(fs::path(BITREEL_CORPUS_DIR) / corpusFile, file);
        auto w = std::make_unique<TestWindow>(dir.path(), line);
        if (std::string_view(corpusFile).starts_with("ace/")) {
            TestWindow::Click(w->Machine(1));
            TestWindow::Choose(w->Combo("cboFormat"), 1);
        }
        return w;
    }

    static QAbstractItemView* List(const TestWindow& w) {
        return w.Get<QAbstractItemView>("lstContents");
    }
    static QPoint RowCentre(QAbstractItemView* list, int row) {
        list->doItemsLayout();
        return list->visualRect(list->model()->index(row, 0)).center();
    }
    static void DoubleClick(const TestWindow& w, int row) {
        QAbstractItemView* list = List(w);
        const QPoint at = RowCentre(list, row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static QList<BlockInspector*> Inspectors(const TestWindow& w) {
        return w.form->findChildren<BlockInspector*>();
    }
    static QStringList Tabs(const BlockInspector* inspector) {
        const auto* tabs = inspector->findChild<QTabWidget*>("views");
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i) {
            titles.append(tabs->tabText(i));
        }
        return titles;
    }
    // The only inspector open, after a double click on row.
    static BlockInspector* OpenRow(const TestWindow& w, int row) {
        DoubleClick(w, row);
        const auto open = Inspectors(w);
        return open.size() == 1 ? open.front() : nullptr;
    }

    TempDir dir;
    FakeLine line;
    fs::path file;
};

struct TabsCase {
    const char* name;
    const char* file;
    int row;
    bool byEnter;
    QStringList tabs;
    QString current;
    QString title;
};

void PrintTo(const TabsCase& c, std::ostream* os) {
    *os << c.name;
}

const TabsCase kTabs[] = {
    {"ProgramHeader",
     "spectrum/savetap_test.tap",
     0,
     false,
     {"Header", "BASIC", "Hex"},
     "BASIC",
     "savetap_test.tap - row 1: Program : tstSAVETAP [Line=10, Vars Area=+72]"},
    {"ProgramData",
     "spectrum/savetap_test.tap",
     1,
     true,
     {"BASIC", "Hex"},
     "BASIC",
     "savetap_test.tap - row 2: {Data block [Length=72]}"},
    {"ScreenHeader",
     "spectrum/savetap_test.tap",
     2,
     false,
     {"Header", "Screen", "Hex"},
     "Screen",
     "savetap_test.tap - row 3: Code : intro [Start=16384, Length=6912]"},
    {"ScreenData",
     "spectrum/savetap_test.tap",
     3,
     true,
     {"Screen", "Hex"},
     "Screen",
     "savetap_test.tap - row 4: {Data block [Length=6912]}"},
    {"CodeHeader",
     "spectrum/savetap_test.tap",
     4,
     false,
     {"Header", "Hex"},
     "Header",
     "savetap_test.tap - row 5: Code : demo [Start=32764, Length=64]"},
    {"NumberArray",
     "spectrum/savetap_test.tap",
     7,
     false,
     {"Array", "Hex"},
     "Array",
     "savetap_test.tap - row 8: {Data block [Length=8]}"},
    {"UnknownBlock",
     "spectrum/savetap_test.tap",
     10,
     false,
     {"Hex"},
     "Hex",
     "savetap_test.tap - row 11: Unknown block type [Length=34]"},
    {"AceDictionaryHeader",
     "ace/DICT.tap",
     0,
     false,
     {"Header", "Words", "Hex"},
     "Words",
     "DICT.tap - row 1: Dictionary : dict [Length=57]"},
    {"AceDictionaryData",
     "ace/DICT.tap",
     1,
     true,
     {"Words", "Hex"},
     "Words",
     "DICT.tap - row 2: {Data block [Length=57]}"},
};

class InspectorTabs : public Inspector, public ::testing::WithParamInterface<TabsCase> {};

TEST_P(InspectorTabs, OpenOnTheRowWithTheViewsThatFit) {
    const TabsCase& c = GetParam();
    const auto w = Open(c.file);
    QAbstractItemView* list = List(*w);
    if (c.byEnter) {
        list->setFocus();
        list->setCurrentIndex(list->model()->index(c.row, 0));
        QTest::keyClick(list, Qt::Key_Return);
    } else {
        DoubleClick(*w, c.row);
    }
    const auto open = Inspectors(*w);
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(Tabs(open.front()), c.tabs);
    const auto* tabs = open.front()->findChild<QTabWidget*>("views");
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), c.current);
    EXPECT_EQ(open.front()->windowTitle(), c.title);
    EXPECT_TRUE(open.front()->isVisible());
    EXPECT_FALSE(open.front()->isModal());
    EXPECT_EQ(list->currentIndex().row(), c.row) << "the list keeps its own selection";
}

INSTANTIATE_TEST_SUITE_P(Corpus, InspectorTabs, testing::ValuesIn(kTabs), ByName());

// With the Jupiter Ace and JUP chosen, the file list offers TZX images too,
// and an Ace tape in one is listed and looked inside as the Ace's.
TEST_F(Inspector, AceTzxListsAndOpensAsTheAces) {
    const test::Bytes tap = test::ReadFileBytes(fs::path(BITREEL_CORPUS_DIR) / "ace/DICT.tap");
    test::TapeBuilder()
        .Raw(test::AceTzxOf(AceTapToJup(tap).bytes, test::AceTzxShape::Archive))
        .WriteTo(dir / "DICT.TZX");
    test::TapeBuilder().Raw(AceTapToJup(tap).bytes).WriteTo(dir / "DICT.JUP");
    TestWindow w(dir.path(), line);
    TestWindow::Click(w.Machine(1));
    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{"DICT.JUP", "DICT.TZX"}));
    w.Files()->SetListIndex(1);
    EXPECT_EQ(TestWindow::Rows(w.Contents()),
              (QStringList{"Text        : Jupiter ACE Archive", "Hardware    : 1 type",
                           "Dictionary  : dict       [Length=57]", "{Data block [Length=57]}"}));
    BlockInspector* inspector = OpenRow(w, 2);
    ASSERT_NE(inspector, nullptr);
    EXPECT_EQ(Tabs(inspector), (QStringList{"Header", "Words", "Hex"}));
}

// A block read from a recording shows the sound it was read from; a damaged
// one opens there, and steps to its uncertain bits.
TEST_F(Inspector, ARecordedBlockHasItsSignal) {
    InstallRecordingFiles();
    TapeBuilder().Block(0xFF, {1, 2, 3, 4}).Block(0xFF, {9, 8, 7}, 0x00).WriteTo(dir / "T.TAP");
    TapeImage image(dir / "T.TAP", MachineKind::Spectrum, TapeLayout::SpectrumTap);
    image.IndexAll();
    (void)WriteTapeAudio(image, {}, RenderOptions{}, dir / "t.wav", AudioFileType::Wav);
    const auto open = [&](int row) {
        return std::make_unique<BlockInspector>(
            BlockInspector::Source{QString::fromStdString((dir / "t.wav").string()),
                                   MachineKind::Spectrum, TapeLayout::SpectrumTap, row},
            nullptr);
    };
    // Rows: the good block, the damaged one's text, the damaged block.
    const auto good = open(0);
    EXPECT_EQ(Tabs(good.get()), (QStringList{"Signal", "Hex"}));
    EXPECT_EQ(Tabs(open(1).get()), QStringList{"Block"}) << "a text has no sound of its own";

    const auto damaged = open(2);
    damaged->resize(800, 500);
    damaged->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(damaged.get()));
    const auto* tabs = damaged->findChild<QTabWidget*>("views");
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), QStringLiteral("Signal"));
    auto* signal = damaged->findChild<SignalTab*>();
    ASSERT_NE(signal, nullptr);
    const double whole = signal->SamplesPerPixel();
    ASSERT_TRUE(signal->ShowNextUncertain());
    EXPECT_LT(signal->SamplesPerPixel(), whole / 10) << "zoomed in on the bit";
    const auto* about = signal->findChild<QLabel*>(QStringLiteral("about"));
    const QString first = about->text();
    ASSERT_TRUE(signal->ShowNextUncertain());
    EXPECT_NE(about->text(), first) << "on to the next one";
    EXPECT_TRUE(about->text().startsWith(QStringLiteral("bit "))) << about->text().toStdString();
}

TEST_F(Inspector, SeveralOpenAClickOpensNoneAndEscapeClosesOne) {
    const auto w = Open("spectrum/savetap_test.tap");
    TestWindow::ClickRow(w->Contents(), 2);
    EXPECT_TRUE(Inspectors(*w).isEmpty());

    DoubleClick(*w, 0);
    DoubleClick(*w, 3);
    auto open = Inspectors(*w);
    ASSERT_EQ(open.size(), 2);
    QPointer<BlockInspector> first = open.front();
    // From the text that has the focus, as a user would press it.
    QTest::keyClick(first->findChild<QTabWidget*>("views")->currentWidget(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "deleted when closed";
    EXPECT_EQ(Inspectors(*w).size(), 1);
}

TEST_F(Inspector, ExportWritesThePayloadExactly) {
    const auto w = Open("spectrum/savetap_test.tap");
    for (const int row : {1, 3, 6}) {
        SCOPED_TRACE(row);
        BlockInspector* inspector = OpenRow(*w, row);
        ASSERT_NE(inspector, nullptr);
        const fs::path out = dir / ("row" + std::to_string(row) + ".bin");
        inspector->SetSaveDialog(std::make_unique<ScriptedSave>(out));
        TestWindow::Click(inspector->findChild<QPushButton*>("export"));
        EXPECT_EQ(ReadFileBytes(out), PayloadOfRow(file, row));
        inspector->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Inspector, SavePngWritesThePictureAtItsScale) {
    const auto w = Open("spectrum/savetap_test.tap");
    BlockInspector* inspector = OpenRow(*w, 3);
    ASSERT_NE(inspector, nullptr);
    inspector->findChild<QComboBox*>("scale")->setCurrentIndex(2); // 3x
    const fs::path out = dir / "screen.png";
    inspector->SetSaveDialog(std::make_unique<ScriptedSave>(out));
    TestWindow::Click(inspector->findChild<QPushButton*>("savePng"));

    const QImage saved(ToQString(out), "PNG");
    ASSERT_EQ(saved.size(), QSize(768, 576));
    const auto screen = view::RenderScreen(PayloadOfRow(file, 3));
    ASSERT_TRUE(screen.has_value());
    for (const QPoint p : {QPoint(0, 0), QPoint(100, 50), QPoint(255, 191)}) {
        EXPECT_EQ(saved.pixel(3 * p.x() + 2, 3 * p.y() + 1), screen->At(p.x(), p.y())) << p.x();
    }
}

TEST_F(Inspector, ASaveThatFailsSaysSoAndACancelWritesNothing) {
    const auto w = Open("spectrum/savetap_test.tap");
    BlockInspector* inspector = OpenRow(*w, 1);
    ASSERT_NE(inspector, nullptr);
    auto* status = inspector->findChild<QLabel*>("status");
    inspector->SetSaveDialog(std::make_unique<ScriptedSave>(dir / "missing" / "out.bin"));
    TestWindow::Click(inspector->findChild<QPushButton*>("export"));
    EXPECT_TRUE(status->text().startsWith("Cannot save ")) << status->text().toStdString();

    inspector->SetSaveDialog(std::make_unique<ScriptedSave>(std::nullopt));
    status->clear();
    TestWindow::Click(inspector->findChild<QPushButton*>("export"));
    EXPECT_EQ(status->text(), "");
}

// The row was listed, but the file has gone since: the window says so.
TEST_F(Inspector, AFileThatWentAwayIsSaid) {
    const auto w = Open("spectrum/savetap_test.tap");
    fs::remove(file);
    BlockInspector* inspector = OpenRow(*w, 0);
    ASSERT_NE(inspector, nullptr);
    EXPECT_TRUE(inspector->findChild<QLabel*>("status")->text().startsWith(
        "Cannot read savetap_test.tap: "));
    EXPECT_FALSE(inspector->findChild<QPushButton*>("export")->isEnabled());
}

TEST_F(Inspector, CopyPutsTheShownTextOnTheClipboard) {
    const auto w = Open("spectrum/savetap_test.tap");
    BlockInspector* inspector = OpenRow(*w, 1);
    ASSERT_NE(inspector, nullptr);
    auto* tabs = inspector->findChild<QTabWidget*>("views");
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const QString& tab : {QStringLiteral("BASIC"), QStringLiteral("Hex")}) {
        SCOPED_TRACE(tab.toStdString());
        clipboard->clear();
        tabs->setCurrentWidget(tabs->findChild<QPlainTextEdit*>(tab.toLower()));
        TestWindow::Click(inspector->findChild<QPushButton*>("copy"));
        const QString copied = clipboard->text();
        EXPECT_EQ(copied, tabs->findChild<QPlainTextEdit*>(tab.toLower())->toPlainText());
        EXPECT_TRUE(copied.startsWith(tab == "BASIC" ? "10 " : "Length 74: flag at 0000"))
            << copied.left(60).toStdString();
    }
}

// A TZX row of a data block opens as the same TAP block does, checksum byte
// as stored included; a block without data shows only its row.
TEST_F(Inspector, ATzxRowOpensAsTheSameTapBlockDoes) {
    const fs::path tap = fs::path(BITREEL_CORPUS_DIR) / "spectrum" / "savetap_test.tap";
    const Bytes image = ReadFileBytes(tap);
    TzxBuilder tzx;
    tzx.Text("Side A");
    const auto tapBlocks = TapBlocks(image);
    for (const Bytes& block : tapBlocks) {
        tzx.Standard(block);
    }
    const int blocks = static_cast<int>(tapBlocks.size());
    tzx.WriteTo(dir / "savetap_test.tzx");
    const auto w = Open("spectrum/savetap_test.tap");
    ASSERT_GT(blocks, 4);

    const auto shown = [&w](int row) {
        BlockInspector* inspector = OpenRow(*w, row);
        if (!inspector) {
            ADD_FAILURE() << "no inspector on row " << row;
            return QStringList();
        }
        QStringList texts = Tabs(inspector);
        for (const auto* text : inspector->findChildren<QPlainTextEdit*>()) {
            texts.append(text->toPlainText());
        }
        texts.append(inspector->findChild<QPushButton*>("export")->isEnabled() ? "export"
                                                                               : "no export");
        inspector->close();
        QCoreApplication::processEvents(); // deleted on close
        return texts;
    };
    std::vector<QStringList> fromTap;
    for (int row = 0; row < blocks; ++row) {
        fromTap.push_back(shown(row));
    }
    TestWindow::ClickRow(w->Files(), 1);
    ASSERT_EQ(w->Files()->FileName(), "savetap_test.tzx");
    EXPECT_EQ(shown(0), (QStringList{"Block", "Text        : Side A", "no export"}));
    for (int row = 0; row < blocks; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(shown(row + 1), fromTap[static_cast<std::size_t>(row)]);
    }
}

// A row the file does not hold whole opens on its bytes, as far as the file
// holds them: a TAP block from its flag on, a TZX block from its ID.
TEST_F(Inspector, ACorruptRowShowsTheBytesThatAreThere) {
    const struct {
        const char* name;
        Bytes image;
        int row; // the corrupt one; a TAP file goes on to list what follows it
        const char* first;
        const char* bytes; // the first line of the dump
    } cases[] = {
        {"CUT.TAP", TapeBuilder().Block(255, {1}).Length(900).Raw({255, 0x41, 0x42}).bytes(), 1,
         "Corrupt block: its length field gives 900 bytes; the file holds 3 of them.",
         "0000[FF]41 42"},
        {"CUT.TZX", TzxBuilder().Standard({255, 1}).Standard({255, 2, 3}).Cut(3).bytes(), 1,
         "Corrupt block: the file holds 5 bytes from its start to its end.", "0000 10 E8 03 03 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir folder;
        TapeBuilder().Raw(c.image).WriteTo(folder / c.name);
        TestWindow w(folder.path(), line);
        ASSERT_EQ(TestWindow::Rows(w.Contents()).at(c.row), "Corrupt block");
        BlockInspector* inspector = OpenRow(w, c.row);
        ASSERT_NE(inspector, nullptr);
        EXPECT_EQ(Tabs(inspector), QStringList{"Hex"});
        const QStringList lines =
            inspector->findChild<QPlainTextEdit*>("hex")->toPlainText().split('\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines[0].toStdString(), c.first);
        EXPECT_TRUE(lines[1].startsWith(c.bytes)) << lines[1].toStdString();
    }
}

// A name's control bytes show as their pictures in the contents list and in
// the inspector's title, so that a CR or LF cannot split a row; every other
// Latin-1 character shows as it is.
TEST_F(Inspector, ControlBytesShowAsPicturesAndKeepARowOnOneLine) {
    const struct {
        std::string name; // ten bytes
        QString shown;
    } cases[] = {
        {std::string("ab\rcd\nef  ", 10), QString::fromUtf8("ab\u240dcd\u240aef  ")},
        {std::string("\x1b\x7f\x00\x1f      ", 10),
         QString::fromUtf8("\u241b\u2421\u2400\u241f      ")},
        {std::string("\xe9\xa0\x85\xff~     ", 10),
         QString::fromUtf8("\u00e9\u00a0\u0085\u00ff~     ")},
    };
    TapeBuilder tape;
    for (const auto& c : cases) {
        tape.Block(0, SpectrumHeader(3, c.name, 1, 100, 0)).Block(255, {7});
    }
    tape.WriteTo(dir / "NAMES.TAP");
    TestWindow w(dir.path(), line);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const QString row = QStringLiteral("Code        : ") + cases[i].shown +
                            QStringLiteral(" [Start=100, Length=1]");
        const auto listRow = static_cast<int>(2 * i);
        EXPECT_EQ(w.Contents()->itemText(listRow), row);
        BlockInspector* inspector = OpenRow(w, listRow);
        ASSERT_NE(inspector, nullptr);
        EXPECT_EQ(inspector->windowTitle(),
                  QStringLiteral("NAMES.TAP - row %1: Code : %2 [Start=100, Length=1]")
                      .arg(listRow + 1)
                      .arg(cases[i].shown.trimmed()));
        inspector->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// An inspector opens beside the main window, not over its commands, and
// wholly on the screen.
TEST_F(Inspector, OpensBesideTheWindowOnTheScreen) {
    const auto w = Open("spectrum/savetap_test.tap");
    BlockInspector* inspector = OpenRow(*w, 0);
    ASSERT_NE(inspector, nullptr);
    const QRect screen = w->form->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(inspector->frameGeometry())) << screen.width();
    const QSize margins = inspector->frameGeometry().size() - inspector->size();
    EXPECT_EQ(inspector->frameGeometry(),
              BesideGeometry(w->form->frameGeometry(), QSize(660, 560) + margins,
                             inspector->minimumSizeHint() + margins, screen, 0));
}

struct BesideCase {
    const char* name;
    QRect main;
    QRect screen;
    int open;
    QRect at;
};

void PrintTo(const BesideCase& c, std::ostream* os) {
    *os << c.name;
}

const QRect kWide(0, 0, 1920, 1080);
const QRect kXvfb(0, 0, 1280, 1024);

// For an inspector of 660 x 560 that can be narrowed to 400.
const BesideCase kBeside[] = {
    {"RightOfTheWindow", {100, 100, 700, 420}, kWide, 0, {808, 100, 660, 560}},
    {"LeftWhenTheRightHasNoRoom", {1200, 100, 700, 420}, kWide, 0, {532, 100, 660, 560}},
    {"EachFurtherOneStepsDown", {100, 100, 700, 420}, kWide, 2, {808, 156, 660, 560}},
    {"BelowWhenNeitherSideHasRoom", {0, 0, 705, 406}, kXvfb, 0, {0, 414, 660, 560}},
    {"AboveWhenThatIsWhereTheRoomIs", {0, 600, 705, 406}, kXvfb, 0, {0, 32, 660, 560}},
    {"NarrowedToTheRoomBeside", {0, 500, 705, 406}, kXvfb, 0, {713, 464, 567, 560}},
    {"NoRoomAnywhereWithinTheScreen", {0, 0, 705, 406}, {0, 0, 800, 600}, 0, {140, 0, 660, 560}},
    {"KeptAboveTheScreensFoot", {100, 600, 700, 420}, kWide, 0, {808, 520, 660, 560}},
    {"ScreenNotAtTheOrigin",
     {-1800, 50, 700, 420},
     {-1920, 0, 1920, 1080},
     0,
     {-1092, 50, 660, 560}},
};

class Beside : public ::testing::TestWithParam<BesideCase> {};

TEST_P(Beside, CoversAsLittleOfTheWindowAsTheScreenAllows) {
    const BesideCase& c = GetParam();
    EXPECT_EQ(BesideGeometry(c.main, {660, 560}, {400, 300}, c.screen, c.open), c.at);
}

INSTANTIATE_TEST_SUITE_P(Places, Beside, testing::ValuesIn(kBeside), ByName());

// The first row of a snapshot, which names it, opens on the snapshot: its
// loading screen, its registers and its memory, a 128K's bank by bank.
TEST(SnapshotInspector, ShowsScreenRegistersAndMemory) {
    const struct {
        const char* file;
        std::vector<std::string> shown; // lines of the registers, headings of the memory
        int port7ffd = -1;              // written over the .z80's own, when given
    } cases[] = {
        {"speccymac-technted.z80", {"IM     1\n", "\n8000 ", "\nC000 "}},
        {"zesarux-UKflag.sna",
         {"7FFD   0x17\n", "Sound chip (AY), register", "Bank 0 at 0xC000:\n",
          "Bank 5 at 0x4000:\n", "Bank 7 at 0xC000 (paged in):\n"}},
        {"zesarux-hires128.z80",
         {"7FFD   0x15\n", "Bank 5 at 0x4000, also at 0xC000 (paged in):\n", "Bank 7 at 0xC000:\n"},
         0x15},
    };
    fastload::InstallSnapshotTapes();
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Snapshot snapshot = TestSnapshot(c.file);
        std::filesystem::path file = SnapshotDir / c.file;
        if (c.port7ffd >= 0) {
            // A version 2 .z80 keeps 0x7FFD at byte 35.
            std::vector<std::uint8_t> bytes = ReadFileBytes(file);
            bytes.at(35) = static_cast<std::uint8_t>(c.port7ffd);
            file = dir / c.file;
            std::ofstream(file, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            snapshot.port7ffd = static_cast<std::uint8_t>(c.port7ffd);
        }
        BlockInspector inspector({QString::fromStdString(file.string()), MachineKind::Spectrum,
                                  TapeLayout::SpectrumTap, 0},
                                 nullptr);
        const auto* tabs = inspector.findChild<QTabWidget*>("views");
        ASSERT_EQ(tabs->count(), 3);
        const auto* screen = inspector.findChild<ScreenTab*>("screen");
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->ShownPixels().pixels,
                  view::ScaleImage(*view::RenderScreen(std::span(snapshot.banks[5]).first(6912)), 2)
                      .pixels);
        const std::string text =
            inspector.findChild<QPlainTextEdit*>("registers")->toPlainText().toStdString() +
            inspector.findChild<QPlainTextEdit*>("memory")->toPlainText().toStdString();
        char pc[32];
        std::snprintf(pc, sizeof pc, "PC     0x%04X\n", unsigned(snapshot.regs.pc));
        EXPECT_NE(text.find(pc), std::string::npos) << text.substr(0, 400);
        for (const std::string& shown : c.shown) {
            EXPECT_NE(text.find(shown), std::string::npos) << shown;
        }
        // The last line is the top of the last bank listed: a 48K's 0xFFF0,
        // a 128K's bank 7 whichever bank is paged in.
        const std::size_t topBank = Is128K(snapshot.model) ? 7 : 0;
        std::string last = view::MemoryHex(std::span(snapshot.banks[topBank]).last(16), 0xFFF0);
        last.pop_back();
        std::string shownText = text;
        while (!shownText.empty() && shownText.back() == '\n') {
            shownText.pop_back();
        }
        EXPECT_EQ(shownText.substr(shownText.rfind('\n') + 1), last);
    }
}

} // namespace
} // namespace bitreel::test
