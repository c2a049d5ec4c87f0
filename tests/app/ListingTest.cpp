// Listing through the window what cannot be listed, and a file of hundreds
// of thousands of blocks, during which the window keeps answering.
#include "TestWindow.h"

#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "tape/TapeImage.h"

#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <functional>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

class Listing : public ::testing::Test {
protected:
    TempDir dir;
    FakeLine line;
};

TEST_F(Listing, AFileThatCannotBeListedSaysWhyUntilTheNextFileOrMachine) {
    const struct {
        const char* file;
        std::function<void(const fs::path&)> spoil;
        QString status;
    } cases[] = {
        {"B.TAP", [](const fs::path& p) { fs::remove(p); },
         "Cannot read B.TAP: No such file or directory"},
        {"C.TAP",
         [](const fs::path& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         "Cannot read C.TAP: Is a directory"},
        {"D.TAP", [](const fs::path& p) { fs::resize_file(p, TapeImage::MaxFileSize + 1); },
         "Cannot read D.TAP: File too large (the limit is 64 MB)"},
        {"E.TAP", [](const fs::path& p) { fs::permissions(p, fs::perms::none); },
         "Cannot read E.TAP: Permission denied"},
    };
    TapeBuilder().Block(255, {1}).WriteTo(dir / "A.TAP");
    for (const auto& c : cases) {
        TapeBuilder().Block(255, {1}).WriteTo(dir / c.file);
    }
    TestWindow w(dir.path(), line);
    for (const auto& c : cases) {
        c.spoil(dir / c.file);
    }
    QLabel* status = w.Label("lblStatus");
    QLabel* progress = w.Label("lblStatus2");
    const QRect statusHome = status->geometry();
    const bool root = geteuid() == 0; // reads every file whatever its permissions
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].file);
        if (root && cases[i].status.endsWith("Permission denied")) {
            continue;
        }
        TestWindow::ClickRow(w.Files(), i + 1);
        EXPECT_EQ(status->text(), cases[i].status);
        // The whole reason is on screen, in the room of both status lines.
        EXPECT_TRUE(ShownWhole(*status));
        EXPECT_FALSE(progress->isVisible());
        EXPECT_EQ(w.Contents()->count(), 0);
        EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());
        EXPECT_FALSE(w.Button("cmdReset")->isEnabled());
    }

    // A readable file clears the reason, and so does a machine change.
    TestWindow::ClickRow(w.Files(), 0);
    EXPECT_EQ(status->text(), "");
    EXPECT_EQ(status->geometry(), statusHome);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(w.Contents()->count(), 1);
    TestWindow::ClickRow(w.Files(), 1);
    ASSERT_NE(status->text(), "");
    TestWindow::Click(w.Machine(1));
    EXPECT_EQ(status->text(), "");
}

// The first file is listed at start-up, before the port is chosen; its
// reason must outlive that choice.
TEST_F(Listing, AFirstFileThatCannotBeListedSaysWhyAfterStartUp) {
    TapeBuilder().Block(255, {1}).WriteTo(dir / "A.TAP");
    fs::resize_file(dir / "A.TAP", TapeImage::MaxFileSize + 1);
    line.present = {3};
    TestWindow w(dir.path(), line);
    EXPECT_EQ(w.Label("lblStatus")->text(),
              "Cannot read A.TAP: File too large (the limit is 64 MB)");
}

// 200,000 empty blocks: the window lists them in steps and handles its
// events between them; whatever takes the list over meanwhile wins.
TEST_F(Listing, AHugeFileListsWhileTheWindowKeepsAnswering) {
    constexpr int kBlocks = 200'000;
    TapeBuilder().Block(255, {1}).Block(255, {2}).WriteTo(dir / "A.TAP");
    TapeBuilder().Raw(Bytes(2 * kBlocks, 0)).WriteTo(dir / "Z.TAP");
    fs::create_directory(dir / "sub");
    TestWindow w(dir.path(), line);
    const QStringList small = TestWindow::Rows(w.Contents());
    ASSERT_EQ(small.size(), 2);

    const struct {
        const char* during;
        std::function<void()> act;
        int rows;
        bool exited;
    } cases[] = {
        {"nothing", [] {}, kBlocks, false},
        {"Exit", [&] { TestWindow::Click(w.Button("cmdExit")); }, kBlocks, true},
        {"a click on another file", [&] { w.Files()->SetListIndex(0); }, 2, false},
        // Last: the file list shows another folder afterwards.
        {"a folder change", [&] { ASSERT_TRUE(w.Dirs()->SetPath(ToQString(dir / "sub"))); }, 0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.during);
        line.log.clear();
        int rowsMeanwhile = -1;
        QTimer::singleShot(0, w.form.get(), [&] {
            rowsMeanwhile = w.Contents()->count();
            c.act();
        });
        w.Files()->SetListIndex(1); // Z.TAP, as a click does
        EXPECT_EQ(rowsMeanwhile, 0) << "the listing yielded before its end";
        EXPECT_EQ(std::count(line.log.begin(), line.log.end(), "exit 0"), c.exited ? 1 : 0);
        ASSERT_EQ(w.Contents()->count(), c.rows);
        EXPECT_EQ(w.Contents()->currentRow(), c.rows > 0 ? 0 : -1);
        EXPECT_EQ(w.Button("cmdPlay")->isEnabled(), c.rows > 0);
        EXPECT_EQ(w.Button("cmdReset")->isEnabled(), c.rows > 0);
        if (c.rows == kBlocks) {
            EXPECT_TRUE(w.Contents()->isRowSelected(0));
            for (int row : {0, kBlocks / 2, kBlocks - 1}) {
                EXPECT_EQ(w.Contents()->itemText(row), "Empty block [Length=0]");
            }
        } else if (c.rows > 0) {
            EXPECT_EQ(TestWindow::Rows(w.Contents()), small);
        }
    }
}

// Every row is sized alike, from one row; that must be the widest, or the
// list could not scroll to the end of a long row between short ones.
TEST_F(Listing, TheListScrollsToTheEndOfItsWidestRow) {
    const Bytes header = SpectrumHeader(0, "LONGESTNAM", 65535, 32767, 65535);
    TapeBuilder().Block(255, {1}).Block(0, header).Block(255, {2}).WriteTo(dir / "A.TAP");
    TestWindow w(dir.path(), line);
    ContentsList* rows = w.Contents();
    rows->resize(80, rows->height()); // narrower than any row
    rows->doItemsLayout();
    ASSERT_EQ(rows->count(), 3);
    const int widest = rows->fontMetrics().horizontalAdvance(rows->itemText(1));
    for (int row = 0; row < 3; ++row) {
        EXPECT_GE(rows->visualRowRect(row).width(), widest) << row;
    }
    // A recording's longer row widens the list too.
    rows->addItem(rows->itemText(1) + " and more");
    rows->doItemsLayout();
    EXPECT_GE(rows->visualRowRect(0).width(),
              rows->fontMetrics().horizontalAdvance(rows->itemText(3)));
}

} // namespace
} // namespace bitreel::test
