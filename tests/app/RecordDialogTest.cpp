// The record dialog on Qt's own file dialog, answered by the test.
#include "app/dialogs/FileDialogSize.h"
#include "app/dialogs/QtRecordFileDialog.h"
#include "app/dialogs/QtSaveFileDialog.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// Types a full path into the dialog's name box, as a user can. Typing into
// the box, which then has focus, unselects the file picked before.
void Type(QFileDialog& dialog, const fs::path& path) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"))->clearSelection();
    name->setText(Q(path));
}

// Runs answer on the next visible top-level window of type Window.
template <typename Window> void AnswerNext(std::function<void(Window&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* found = qobject_cast<Window*>(window);
            if (found && found->isVisible()) {
                poll->stop();
                poll->deleteLater();
                answer(*found);
                return;
            }
        }
    });
    poll->start(0);
}

// Answers the next dialog that opens: looks at it, then accepts a name or
// cancels.
void AnswerNextDialog(std::function<void(QFileDialog&)> answer) {
    AnswerNext<QFileDialog>(std::move(answer));
}

// Answers the next question: notes its text and presses the button.
void AnswerNextQuestion(QStringList& asked, QMessageBox::StandardButton button) {
    AnswerNext<QMessageBox>([&asked, button](QMessageBox& box) {
        asked.append(box.text());
        box.button(button)->click();
    });
}

// Presses Record, as the user does.
void PressRecord(QFileDialog& dialog) {
    static_cast<QDialog&>(dialog).accept();
}

// The names the dialog lists, once it has read its folder.
QStringList Listed(QFileDialog& dialog) {
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    for (int tries = 0; tries < 200 && names.isEmpty(); ++tries) {
        QTest::qWait(10);
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            names.append(view->model()->index(row, 0, root).data().toString());
        }
    }
    names.sort();
    return names;
}

class RecordDialog : public ::testing::Test {
protected:
    RecordDialog() {
        for (const char* name : {"game.tap", "OTHER.TAP", "Mixed.Tap", "notes.txt"}) {
            TapeBuilder().Raw({1}).WriteTo(dir / name);
        }
    }
    TempDir dir;
    QtRecordFileDialog ask{nullptr};
    RecordDialogRequest request{"Record TAP File", "Spectrum Files", "*.TAP", fs::path(), "TAP"};
};

TEST_F(RecordDialog, ShowsTheRequestAndMatchesNamesInAnyCase) {
    request.initialFolder = dir.path();
    QString title;
    QStringList filters;
    QString suffix;
    QStringList listed;
    QStringList buttons;
    AnswerNextDialog([&](QFileDialog& d) {
        title = d.windowTitle();
        filters = d.nameFilters();
        suffix = d.defaultSuffix();
        listed = Listed(d);
        for (const QAbstractButton* b : d.findChild<QDialogButtonBox*>()->buttons()) {
            buttons.append(b->text());
        }
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(d.fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(QDir(d.directory()).canonicalPath(), QDir(Q(dir.path())).canonicalPath());
        Type(d, dir / "new.tap");
        PressRecord(d);
    });
    EXPECT_EQ(ask.Ask(request), dir / "new.tap"); // a new name, taken as typed
    EXPECT_EQ(title, "Record TAP File");
    EXPECT_EQ(filters, QStringList{"Spectrum Files (*.TAP) (*.[Tt][Aa][Pp])"});
    EXPECT_EQ(suffix, "TAP");
    EXPECT_TRUE(buttons.contains("Record")) << buttons.join(',').toStdString();
    EXPECT_EQ(listed, (QStringList{"Mixed.Tap", "OTHER.TAP", "game.tap"}));
}

struct NameCase {
    const char* name;
    const char* typed;
    const char* extension; // the format's own
    QStringList questions; // asked before the name is taken
    const char* chosen;    // what comes back, in the test's folder
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.name;
}

class RecordDialogNames : public RecordDialog, public ::testing::WithParamInterface<NameCase> {};

// Every question is answered Yes; the file a recording would write decides
// whether one is asked.
TEST_P(RecordDialogNames, AddTheFormatsExtensionAndAskBeforeReplacing) {
    const NameCase& c = GetParam();
    request.defaultExtension = c.extension;
    QStringList asked;
    AnswerNextDialog([&](QFileDialog& d) {
        Type(d, dir / c.typed);
        for (int i = 0; i < c.questions.size(); ++i) {
            AnswerNextQuestion(asked, QMessageBox::Yes);
        }
        PressRecord(d);
    });
    EXPECT_EQ(ask.Ask(request), dir / c.chosen);
    EXPECT_EQ(asked, c.questions);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RecordDialogNames,
    ::testing::Values(NameCase{"NoExtensionGetsTap", "rec", "TAP", {}, "rec.TAP"},
                      NameCase{"NoExtensionGetsJup", "rec", "JUP", {}, "rec.JUP"},
                      NameCase{"AnyExtensionIsKept", "rec.bin", "TAP", {}, "rec.bin"},
                      NameCase{"ExistingFile",
                               "game.tap",
                               "TAP",
                               {"game.tap already exists. Replace it?"},
                               "game.tap"},
                      // A new name is written in capitals, onto the file that has them.
                      NameCase{"ReplacesTheFileInCapitals",
                               "other",
                               "TAP",
                               {"OTHER.TAP already exists. Replace it?"},
                               "other.TAP"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordDialog, NoGoesBackToTheDialog) {
    QStringList asked;
    bool openAfterNo = false;
    AnswerNextDialog([&](QFileDialog& d) {
        Type(d, dir / "game.tap");
        AnswerNextQuestion(asked, QMessageBox::No);
        PressRecord(d);
        openAfterNo = d.isVisible();
        Type(d, dir / "fresh.tap");
        PressRecord(d);
    });
    EXPECT_EQ(ask.Ask(request), dir / "fresh.tap");
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(asked, QStringList{"game.tap already exists. Replace it?"});
    EXPECT_EQ(ReadFileBytes(dir / "game.tap"), Bytes{1});
}

TEST_F(RecordDialog, OffersTheFileRecordedLastTimeAndAsksAgain) {
    fs::create_directory(dir / "Tapes");
    request.initialFolder = dir.path();
    AnswerNextDialog([&](QFileDialog& d) {
        Type(d, dir / "Tapes" / "rec");
        PressRecord(d);
    });
    EXPECT_EQ(ask.Ask(request), dir / "Tapes" / "rec.TAP");
    TapeBuilder().Raw({1}).WriteTo(dir / "Tapes" / "REC.TAP"); // what the recording wrote

    QStringList offered;
    QString folder;
    QStringList asked;
    AnswerNextDialog([&](QFileDialog& d) {
        offered = d.selectedFiles();
        folder = QDir(d.directory()).canonicalPath();
        AnswerNextQuestion(asked, QMessageBox::No);
        PressRecord(d); // the name offered
        d.reject();
    });
    EXPECT_EQ(ask.Ask(request), std::nullopt); // cancelled
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(fs::path(offered[0].toStdString()).filename(), "REC.TAP");
    EXPECT_EQ(folder, QDir(Q(dir / "Tapes")).canonicalPath());
    EXPECT_EQ(asked, QStringList{"REC.TAP already exists. Replace it?"});
}

TEST_F(RecordDialog, AFolderThatDoesNotExistIsAskedAgain) {
    int shown = 0;
    std::function<void(QFileDialog&)> answer = [&](QFileDialog& d) {
        ++shown;
        if (shown == 1) {
            AnswerNextDialog(answer);
            Type(d, dir / "missing" / "x.tap");
        } else {
            Type(d, dir / "x.tap");
        }
        PressRecord(d);
    };
    AnswerNextDialog(answer);
    EXPECT_EQ(ask.Ask(request), dir / "x.tap");
    EXPECT_EQ(shown, 2);
}

// The Record dialog and an inspector's save dialog show the size, type and
// date of a file whole, beside its whole name. The type is what the system's
// MIME database calls the file, so it is also given here at the lengths other
// programs' files name it: the columns are measured in the fonts installed.
struct ColumnsCase {
    const char* name;
    const char* dialog;              // "Record", "Save", or Qt's own sized by ShowColumnsWhole
    QString type;                    // what the type column says; empty: what the system says
    bool widerThanAnyScreen = false; // the type: only then may a column be cut
};

void PrintTo(const ColumnsCase& c, std::ostream* os) {
    *os << c.name;
}

// Says every file is of one type.
class OneType final : public QAbstractFileIconProvider {
public:
    explicit OneType(QString type) : type_(std::move(type)) {}
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QAbstractFileIconProvider::type(info) : type_;
    }

private:
    QString type_;
};

class DialogColumns : public ::testing::TestWithParam<ColumnsCase> {};

TEST_P(DialogColumns, ShowEachFilesFactsWhole) {
    const ColumnsCase& c = GetParam();
    TempDir dir;
    for (const char* name :
         {"a_long_name_for_a_tape_of_a_game.tap", "a_long_name_for_its_screen.png"}) {
        TapeBuilder().Raw(Bytes(302, 0)).WriteTo(dir / name); // "302 bytes"
    }
    // As Qt's dialog first opens, not as the columns were left last time.
    QSettings(QSettings::UserScope, QStringLiteral("QtProject"))
        .remove(QStringLiteral("FileDialog"));
    std::vector<int> cut; // the columns not shown whole
    bool widest = false;  // the dialog as wide as the screen allows
    bool onScreen = false;
    QString typeShown;
    AnswerNextDialog([&](QFileDialog& d) {
        ASSERT_EQ(Listed(d).size(), 1);
        QAbstractItemView* view = d.findChild<QTreeView*>(QStringLiteral("treeView"));
        const QHeaderView* header = static_cast<QTreeView*>(view)->header();
        const QRect screen = d.screen()->availableGeometry();
        for (int tries = 0; tries < 100 && (tries == 0 || !cut.empty()); ++tries) {
            QTest::qWait(10); // the columns follow the rows as they come in
            cut.clear();
            for (int column = 0; column < header->count(); ++column) {
                // Narrower than its contents, or out of sight until scrolled to.
                if (header->sectionSize(column) < view->sizeHintForColumn(column) ||
                    header->sectionPosition(column) + header->sectionSize(column) >
                        header->viewport()->width()) {
                    cut.push_back(column);
                }
            }
            widest = d.frameGeometry().width() >= screen.width();
        }
        onScreen = d.frameGeometry().width() <= screen.width();
        typeShown = view->model()->index(0, 2, view->rootIndex()).data().toString();
        d.reject();
    });
    const std::string_view dialog = c.dialog;
    if (dialog == "Record") {
        QtRecordFileDialog ask(nullptr);
        (void)ask.Ask({"Record TAP File", "Spectrum Files", "*.TAP", dir.path(), "TAP"});
    } else if (dialog == "Save") {
        QtSaveFileDialog ask(nullptr);
        (void)ask.Ask({"Save Screen", "PNG Images", "*.png", dir / "screen.png"});
    } else {
        OneType types(c.type);
        QFileDialog ask(nullptr, QString(), Q(dir.path()), QStringLiteral("Tapes (*.tap)"));
        ask.setOption(QFileDialog::DontUseNativeDialog);
        ask.setIconProvider(&types);
        ShowColumnsWhole(ask);
        ask.exec();
        EXPECT_EQ(typeShown, c.type);
    }
    // A column may be cut only where no screen has room for it, and then
    // only once the dialog has taken the whole screen's width.
    EXPECT_TRUE(cut.empty() || (c.widerThanAnyScreen && widest))
        << "cut: " << ::testing::PrintToString(cut) << (widest ? ", as wide as the screen" : "");
    if (c.widerThanAnyScreen) {
        EXPECT_TRUE(widest) << "it widens as far as the screen allows";
    }
    EXPECT_TRUE(onScreen);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogColumns,
    ::testing::Values(ColumnsCase{"Record", "Record", {}}, ColumnsCase{"Save", "Save", {}},
                      // As an emulator's MIME file names a tape.
                      ColumnsCase{"TypeOfAnEmulator", "Own", QStringLiteral("ZX Spectrum tape")},
                      ColumnsCase{"TypeWiderThanTheScreen", "Own", QString(400, u'W'), true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel::test
