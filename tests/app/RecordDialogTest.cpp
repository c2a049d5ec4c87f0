// The record dialog on Qt's own file dialog, answered by the test.
#include "app/QtRecordFileDialog.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace bitreel::test {
namespace {

namespace fs = std::filesystem;

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// Types a full path into the dialog's name box, as a user can.
void Type(QFileDialog& dialog, const fs::path& path) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(Q(path));
}

// Answers the next dialog that opens: looks at it, then accepts a name or
// cancels.
void AnswerNextDialog(std::function<void(QFileDialog&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(window);
            if (dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                answer(*dialog);
                return;
            }
        }
    });
    poll->start(0);
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
    RecordDialogRequest request{"Record TAP File", "Spectrum Files", "*.TAP", fs::path()};
};

TEST_F(RecordDialog, ShowsTheRequestAndMatchesNamesInAnyCase) {
    request.initialFolder = dir.path();
    QString title;
    QStringList filters;
    QString suffix;
    QStringList listed;
    AnswerNextDialog([&](QFileDialog& d) {
        title = d.windowTitle();
        filters = d.nameFilters();
        suffix = d.defaultSuffix();
        listed = Listed(d);
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(d.fileMode(), QFileDialog::AnyFile);
        EXPECT_EQ(QDir(d.directory()).canonicalPath(), QDir(Q(dir.path())).canonicalPath());
        Type(d, dir / "new.tap");
        static_cast<QDialog&>(d).accept(); // as the Open button does
    });
    EXPECT_EQ(ask.Ask(request), dir / "new.tap"); // a new name, taken as typed
    EXPECT_EQ(title, "Record TAP File");
    EXPECT_EQ(filters, QStringList{"Spectrum Files (*.TAP) (*.[Tt][Aa][Pp])"});
    EXPECT_EQ(suffix, "");
    EXPECT_EQ(listed, (QStringList{"Mixed.Tap", "OTHER.TAP", "game.tap"}));
}

TEST_F(RecordDialog, OffersThePreviousNameAgainAndCancelGivesNothing) {
    AnswerNextDialog([&](QFileDialog& d) {
        Type(d, dir / "game.tap");         // an existing file: no question
        static_cast<QDialog&>(d).accept(); // as the Open button does
    });
    EXPECT_EQ(ask.Ask(request), dir / "game.tap");

    QStringList offered;
    AnswerNextDialog([&](QFileDialog& d) {
        offered = d.selectedFiles();
        d.reject();
    });
    EXPECT_EQ(ask.Ask(request), std::nullopt);
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(fs::path(offered[0].toStdString()).filename(), "game.tap");
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
        static_cast<QDialog&>(d).accept(); // as the Open button does
    };
    AnswerNextDialog(answer);
    EXPECT_EQ(ask.Ask(request), dir / "x.tap");
    EXPECT_EQ(shown, 2);
}

} // namespace
} // namespace bitreel::test
