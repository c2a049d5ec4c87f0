// The machine and format choice, the drive, directory and file lists, and the
// contents list they fill.
#include "TestWindow.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "support/TzxBuilder.h"
#include "tape/Tape.h"

#include <QTreeWidget>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

// The rows the tape library gives for a file, as the window should show them.
QStringList RowsOf(const fs::path& file, MachineKind machine, TapeLayout layout) {
    bool expectHeader = false;
    QStringList rows;
    for (const std::string& row : LoadContents(file, machine, layout, expectHeader)) {
        rows.append(QString::fromLatin1(row.data(), static_cast<qsizetype>(row.size())));
    }
    return rows;
}

class Browser : public ::testing::Test {
protected:
    void Write(const char* name, const TapeBuilder& tape = TapeBuilder().Block(255, {1, 2, 3})) {
        tape.WriteTo(dir / name);
    }

    TempDir dir;
    FakeLine line;
};

// An Ace header and its data, which the three layouts read differently.
const TapeBuilder kAceTap =
    TapeBuilder().AceTapBlock(AceHeader(0, "words", 3)).AceTapBlock({1, 2, 3});

TEST_F(Browser, MachineAndFormatSetThePatternAndListTheFirstMatch) {
    for (const char* name : {"a.tap", "b.JUP", "c.jup", "d.DIC", "e.byt", "f.txt", "g.tapx"}) {
        Write(name, kAceTap);
    }
    fs::create_directory(dir / "h.tap"); // a folder is no file
    TestWindow w(dir.path(), line);
    QComboBox* format = w.Combo("cboFormat");

    const struct Step {
        const char* action;
        std::function<void()> act;
        QStringList files;
        MachineKind machine;
        TapeLayout layout;
    } steps[] = {
        {"start", [] {}, {"a.tap"}, MachineKind::Spectrum, TapeLayout::SpectrumTap},
        {"Jupiter Ace",
         [&] { TestWindow::Click(w.Machine(1)); },
         {"b.JUP", "c.jup"},
         MachineKind::JupiterAce,
         TapeLayout::AceJup},
        {"TAP",
         [&] { TestWindow::Choose(format, 1); },
         {"a.tap", "d.DIC", "e.byt"},
         MachineKind::JupiterAce,
         TapeLayout::AceTap},
        {"Spectrum",
         [&] { TestWindow::Click(w.Machine(0)); },
         {"a.tap"},
         MachineKind::Spectrum,
         TapeLayout::SpectrumTap},
        {"Jupiter Ace again",
         [&] { TestWindow::Click(w.Machine(1)); },
         {"a.tap", "d.DIC", "e.byt"},
         MachineKind::JupiterAce,
         TapeLayout::AceTap},
        {"JUP",
         [&] { TestWindow::Choose(format, 0); },
         {"b.JUP", "c.jup"},
         MachineKind::JupiterAce,
         TapeLayout::AceJup},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        step.act();
        EXPECT_EQ(TestWindow::Rows(w.Files()), step.files);
        EXPECT_EQ(w.Files()->ListIndex(), 0);
        EXPECT_EQ(w.form->LayoutInForce(), step.layout);
        const fs::path first = dir / step.files.front().toStdString();
        EXPECT_EQ(TestWindow::Rows(w.Contents()), RowsOf(first, step.machine, step.layout));
        EXPECT_EQ(w.Contents()->currentRow(), 0);
        EXPECT_TRUE(w.Button("cmdPlay")->isEnabled());
        EXPECT_TRUE(w.Button("cmdReset")->isEnabled());
        EXPECT_EQ(format->isEnabled(), step.machine == MachineKind::JupiterAce);
    }
    // Switching back to the Spectrum keeps the format's text.
    TestWindow::Click(w.Machine(0));
    EXPECT_EQ(format->currentText(), "JUP");
}

TEST_F(Browser, AFileAddedSinceTheLastListingShowsAfterAChoice) {
    Write("b.tap");
    TestWindow w(dir.path(), line);
    Write("a.tap");
    EXPECT_EQ(TestWindow::Rows(w.Files()), QStringList{"b.tap"});

    TestWindow::Click(w.Machine(1));
    TestWindow::Choose(w.Combo("cboFormat"), 1);
    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{"a.tap", "b.tap"}));

    // The same entry chosen again, the same pattern set again: read afresh.
    Write("0.DIC");
    TestWindow::Choose(w.Combo("cboFormat"), 1);
    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{"0.DIC", "a.tap", "b.tap"}));
    EXPECT_EQ(w.Files()->FileName(), "0.DIC");
}

// Linux file names are bytes: two that differ in a byte that is not UTF-8
// both show as U+FFFD and each opens its own file.
TEST_F(Browser, NamesThatAreNotUtf8ListAndOpen) {
    Write("Jos\xe8.tap", TapeBuilder().Block(255, {1}));
    Write("Jos\xe9.tap", TapeBuilder().Block(255, {1}).Block(255, {2}));
    TestWindow w(dir.path(), line);
    const QString shown = QStringLiteral("Jos\ufffd.tap");
    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{shown, shown}));
    TestWindow::ClickRow(w.Files(), 1);
    EXPECT_EQ(w.Contents()->count(), 2);
    TestWindow::ClickRow(w.Files(), 0);
    EXPECT_EQ(w.Contents()->count(), 1);
    EXPECT_TRUE(w.Button("cmdPlay")->isEnabled());
}

TEST_F(Browser, AChoiceWithoutMatchesKeepsTheRowsAndDisablesPlayAndReset) {
    Write("a.tap", TapeBuilder().Block(255, {1}).Block(255, {2}));
    TestWindow w(dir.path(), line);
    const QStringList rows = TestWindow::Rows(w.Contents());
    ASSERT_EQ(rows.size(), 2);

    TestWindow::Click(w.Machine(1)); // "*.JUP": nothing here
    EXPECT_EQ(w.Files()->ListCount(), 0);
    EXPECT_EQ(TestWindow::Rows(w.Contents()), rows);
    EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());
    EXPECT_FALSE(w.Button("cmdReset")->isEnabled());
}

TEST_F(Browser, OpeningAFolderEmptiesTheContentsUntilAFileIsClicked) {
    Write("a.tap");
    fs::create_directory(dir / "sub");
    TapeBuilder().Block(255, {1}).Block(255, {2}).Block(255, {3}).WriteTo(dir / "sub" / "b.tap");
    TestWindow w(dir.path(), line);
    ASSERT_EQ(w.Contents()->count(), 1);

    // A double click on the subfolder opens it.
    DirList* dirs = w.Dirs();
    QTreeWidgetItem* sub = dirs->currentItem()->child(0);
    dirs->doItemsLayout();
    const QPoint at = dirs->visualItemRect(sub).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(QDir(dirs->Path()).dirName(), "sub");
    EXPECT_EQ(w.Files()->Path(), dirs->Path());
    EXPECT_EQ(TestWindow::Rows(w.Files()), QStringList{"b.tap"});
    EXPECT_EQ(w.Files()->ListIndex(), -1);
    EXPECT_EQ(w.Contents()->count(), 0);
    EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());
    EXPECT_FALSE(w.Button("cmdReset")->isEnabled());

    // Moving the focus into the file list is no click on a file.
    w.Files()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(w.Files()->ListIndex(), -1);
    EXPECT_EQ(w.Contents()->count(), 0);
    EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());

    // Clicking the file lists it.
    TestWindow::ClickRow(w.Files(), 0);
    EXPECT_EQ(w.Contents()->count(), 3);
    EXPECT_TRUE(w.Button("cmdPlay")->isEnabled());

    // Enter on the parent goes back up, emptying the list again.
    dirs->setCurrentItem(dirs->currentItem()->parent());
    QTest::keyClick(dirs, Qt::Key_Return);
    EXPECT_EQ(QDir(dirs->Path()).canonicalPath(), QDir(ToQString(dir.path())).canonicalPath());
    EXPECT_EQ(TestWindow::Rows(w.Files()), QStringList{"a.tap"});
    EXPECT_EQ(w.Contents()->count(), 0);
}

TEST_F(Browser, AFolderThatWentAwayIsNotOpened) {
    fs::create_directory(dir / "gone");
    TestWindow w(dir.path(), line);
    const QString before = w.Dirs()->Path();
    fs::remove(dir / "gone");
    w.Dirs()->setCurrentItem(w.Dirs()->currentItem()->child(0));
    QTest::keyClick(w.Dirs(), Qt::Key_Return);
    EXPECT_EQ(w.Dirs()->Path(), before);
    EXPECT_EQ(w.Dirs()->currentItem()->childCount(), 0) << "listed afresh";
}

TEST_F(Browser, ADriveThatCannotBeReadPutsTheDriveListBack) {
    Write("a.tap");
    fs::create_directory(dir / "other");
    Write("other/b.tap");
    const QString here = QDir(ToQString(dir.path())).absolutePath();
    const QString other = here + "/other";
    const QString missing = here + "/no-medium";
    TestWindow w(dir.path(), line, {here, missing, other});
    QComboBox* drives = w.Combo("Drive1");
    ASSERT_EQ(drives->currentIndex(), 0);
    const QStringList rows = TestWindow::Rows(w.Contents());

    TestWindow::Choose(drives, 1);
    EXPECT_EQ(drives->currentIndex(), 0);
    EXPECT_EQ(w.Dirs()->Path(), here);
    EXPECT_EQ(TestWindow::Rows(w.Contents()), rows);

    TestWindow::Choose(drives, 2);
    EXPECT_EQ(drives->currentIndex(), 2);
    EXPECT_EQ(w.Dirs()->Path(), other);
    EXPECT_EQ(TestWindow::Rows(w.Files()), QStringList{"b.tap"});
    EXPECT_EQ(w.Contents()->count(), 0);
}

TEST_F(Browser, ClickingAFileListsItsBlocks) {
    const Bytes header = SpectrumHeader(3, "\xA9prog", 2, 100, 0); // a Latin-1 name byte
    Write("a.tap", TapeBuilder().Block(0, header).Block(255, {1, 2}));
    Write("b.tap", TapeBuilder().Block(255, {1}).Length(0).Block(255, {2}).Length(99).Raw({1}));
    Write("c.tap", TapeBuilder());
    Write("d.tap", TapeBuilder().Block(255, {1}).Raw({7}));
    TestWindow w(dir.path(), line);

    const struct {
        int file;
        QStringList rows;
        bool play;
    } cases[] = {
        {1, RowsOf(dir / "b.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap), true},
        {2, {}, false}, // empty file
        {3, RowsOf(dir / "d.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap), true},
        {0, RowsOf(dir / "a.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TestWindow::ClickRow(w.Files(), c.file);
        EXPECT_EQ(TestWindow::Rows(w.Contents()), c.rows);
        EXPECT_EQ(w.Contents()->currentRow(), c.rows.isEmpty() ? -1 : 0);
        EXPECT_EQ(w.Button("cmdPlay")->isEnabled(), c.play);
        EXPECT_TRUE(w.Button("cmdReset")->isEnabled());
    }
    EXPECT_TRUE(TestWindow::Rows(w.Contents()).front().contains(QChar(0xA9)));
    EXPECT_EQ(TestWindow::Rows(w.Files()).size(), 4);
    const QStringList withEmpty =
        RowsOf(dir / "b.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap);
    EXPECT_EQ(withEmpty[1], "Empty block [Length=0]");
    EXPECT_EQ(withEmpty.back(), "Corrupt block");
}

// The Jupiter Ace in JUP lists TZX images too: most Ace tapes are archived
// so. Both machines list the recordings a tape is read from.
TEST_F(Browser, TheSpectrumListsTzxAndPzxFilesInAnyCase) {
    for (const char* name : {"a.tap", "b.TZX", "c.Pzx", "d.tzx", "e.tzxx", "f.jup", "g.PZX",
                             "h.wav", "i.FLAC", "j.Csw", "k.wave"}) {
        Write(name);
    }
    TestWindow w(dir.path(), line);
    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{"a.tap", "b.TZX", "c.Pzx", "d.tzx", "g.PZX",
                                                        "h.wav", "i.FLAC", "j.Csw"}));
    TestWindow::Click(w.Machine(1));
    EXPECT_EQ(TestWindow::Rows(w.Files()),
              (QStringList{"b.TZX", "d.tzx", "f.jup", "h.wav", "i.FLAC", "j.Csw"}));
}

// Only a file with a block Play can send enables Play.
TEST_F(Browser, ATzxOrPzxFileEnablesPlayOnlyWithABlockToSend) {
    const Bytes data = DataBytes(255, {1, 2, 3});
    TzxBuilder().Pause(0).Standard(data).WriteTo(dir / "a.tzx");
    TzxBuilder().Pause(1000).Text("Nothing here").WriteTo(dir / "b.tzx");
    TzxBuilder::Headerless().Standard(data).WriteTo(dir / "c.tzx");
    PzxBuilder().WriteTo(dir / "d.pzx");
    PzxBuilder::Headerless().Data(data).WriteTo(dir / "e.pzx");
    TzxBuilder().WriteTo(dir / "f.tzx"); // the signature alone
    fs::create_directory(dir / "tap");
    TapeBuilder().Raw({5, 0}).Raw(data).WriteTo(dir / "tap" / "same.tap");
    const QString dataRow =
        RowsOf(dir / "tap" / "same.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap).front();
    TestWindow w(dir.path(), line);
    const struct {
        int file;
        QStringList rows;
        bool play;
    } cases[] = {
        {0, {"Stop tape", dataRow}, true},
        {1, {"Pause       : 1000 ms", "Text        : Nothing here"}, false},
        {2, {"Corrupt block"}, false},
        {3, {"PZX header  : version 1.0"}, false},
        {4, {"Corrupt block"}, false},
        {5, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TestWindow::ClickRow(w.Files(), c.file);
        EXPECT_EQ(TestWindow::Rows(w.Contents()), c.rows);
        EXPECT_EQ(w.Contents()->currentRow(), c.rows.isEmpty() ? -1 : 0);
        EXPECT_EQ(w.Button("cmdPlay")->isEnabled(), c.play);
        EXPECT_TRUE(w.Button("cmdReset")->isEnabled());
    }
}

TEST_F(Browser, ClickingTheSelectedFileAgainReadsItAgain) {
    Write("a.tap");
    TestWindow w(dir.path(), line);
    ASSERT_EQ(w.Contents()->count(), 1);
    Write("a.tap", TapeBuilder().Block(255, {1}).Block(255, {2}));
    TestWindow::ClickRow(w.Files(), 0);
    EXPECT_EQ(w.Contents()->count(), 2);
}

TEST_F(Browser, AFileThatCannotBeOpenedLeavesTheListEmpty) {
    Write("a.tap");
    Write("b.tap");
    TestWindow w(dir.path(), line);
    ASSERT_EQ(w.Contents()->count(), 1);
    fs::remove(dir / "b.tap");

    TestWindow::ClickRow(w.Files(), 1);
    EXPECT_EQ(w.Contents()->count(), 0);
    EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());
    EXPECT_FALSE(w.Button("cmdReset")->isEnabled());
}

} // namespace
} // namespace bitreel::test
