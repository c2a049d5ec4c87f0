// Takes the README's pictures of the window: run in a folder of tape images,
//   app_screenshots OUT.png spectrum|contents|ace|playing|basic|screen
// "spectrum" is the window as start-up leaves it, "contents" has the largest
// tape image of the folder clicked, "ace" shows the Jupiter Ace with the TAP
// format chosen, "playing" the largest image going out from its fourth block.
// "basic" and "screen" are block inspectors on savetap_test.tap: its program
// header (the listing) and its loading screen's data block. "record-dialog"
// and "save-dialog" are the screen with the Record dialog or an inspector's
// save dialog open on the folder. "beside" is the whole screen with an
// inspector open on the last row of the folder's largest tape image, where
// it opens beside the window. "signal" is an inspector on the first
// damaged block of noisy.wav, a recording, at its first uncertain bit.
// "snapshot" is the screen with the folder's first .z80 snapshot listed and
// an inspector on its first row showing the snapshot's registers.
// "sound-saved" is the window after "Save as audio..." wrote savetap_test.tap
// as a sound file of a long name into the folder: no README picture, a look
// at the status line and the file list.
// A pseudo-terminal stands in for a serial adapter, so that the port list
// has a port to show.
#include "app/Form1.h"
#include "app/browser/ContentsList.h"
#include "app/browser/FileList.h"
#include "app/dialogs/QtRecordFileDialog.h"
#include "app/dialogs/QtSaveFileDialog.h"
#include "app/inspector/BlockInspector.h"
#include "app/inspector/SignalTab.h"
#include "app/window/SystemServices.h"
#include "fastload/SnapshotTapes.h"
#include "serial/SystemPort.h"
#include "signal/decode/RecordingTzx.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>

namespace {

// Clicks a file of the folder in the file list.
bool ClickFile(bitreel::FileList* files, const QString& name) {
    const auto found = files->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        return false;
    }
    files->doItemsLayout();
    files->scrollToItem(found.front());
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(found.front()).center());
    return true;
}

// Opens an inspector on a row of the contents list with a double click and
// takes its picture.
bool ShootInspector(QWidget& window, int row, const QString& out,
                    const std::function<void(bitreel::BlockInspector&)>& before = {}) {
    auto* list = window.findChild<QAbstractItemView*>("lstContents");
    list->doItemsLayout();
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    auto* inspector = window.findChild<bitreel::BlockInspector*>();
    if (!inspector || !QTest::qWaitForWindowExposed(inspector)) {
        return false;
    }
    if (before) {
        before(*inspector);
    }
    QTest::qWait(200); // let the last repaints land
    return inspector->grab().save(out);
}

// Opens a dialog with ask and takes a picture of the screen once it has
// listed its folder, then cancels it.
bool ShootDialog(const std::function<void()>& ask, const QString& out) {
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* view = dialog ? dialog->findChild<QAbstractItemView*>("treeView") : nullptr;
        if (!view || !view->isVisible()) {
            return;
        }
        poll.stop();
        QTest::qWait(500); // the folder is read, and sizes and dates come in, after it shows
        saved = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
        dialog->reject();
    });
    poll.start(50);
    ask();
    return saved;
}

// Answers the save dialog with one file.
class SaveTo final : public bitreel::SaveFileDialog {
public:
    explicit SaveTo(std::filesystem::path file) : file_(std::move(file)) {}
    std::optional<std::filesystem::path> Ask(const bitreel::SaveDialogRequest&) override {
        return file_;
    }

private:
    std::filesystem::path file_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    bitreel::InstallRecordingFiles();          // as the program does: sound files are tapes too
    bitreel::fastload::InstallSnapshotTapes(); // and snapshots
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: %s OUT.png "
                     "spectrum|contents|ace|playing|basic|screen|record-dialog|save-dialog|"
                     "beside|sound-menu|sound-playing|sound-saved|signal|snapshot\n",
                     argv[0]);
        return 2;
    }
    const std::string_view scene = argv[2];

    const int adapter = posix_openpt(O_RDWR | O_NOCTTY);
    if (adapter < 0 || grantpt(adapter) != 0 || unlockpt(adapter) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    bitreel::Form1::Services services = bitreel::SystemServices();
    services.port =
        std::make_unique<bitreel::SystemPort>(bitreel::PortTable{{1, ptsname(adapter)}});
    services.exit = [](int) {};
    if (scene == "sound-saved") {
        services.saveDialog = std::make_unique<SaveTo>(std::filesystem::current_path() /
                                                       "Save Tap Test (side A, first copy).wav");
    }
    bitreel::Form1 window(std::move(services));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }

    if (scene == "record-dialog" || scene == "save-dialog") {
        const std::filesystem::path folder = std::filesystem::current_path();
        return ShootDialog(
                   [&] {
                       if (scene == "record-dialog") {
                           bitreel::QtRecordFileDialog dialog(&window);
                           (void)dialog.Ask({"Record", "Spectrum Files", "*.TAP", folder, "TAP"});
                       } else {
                           bitreel::QtSaveFileDialog dialog(&window);
                           (void)dialog.Ask(
                               {"Save Screen", "PNG Images", "*.png", folder / "screen.png"});
                       }
                   },
                   QString::fromLocal8Bit(argv[1]))
                   ? 0
                   : 1;
    }
    if (scene == "basic" || scene == "screen") {
        auto* files = window.findChild<bitreel::FileList*>("File1");
        if (!ClickFile(files, QStringLiteral("savetap_test.tap"))) {
            return 1;
        }
        return ShootInspector(window, scene == "basic" ? 0 : 3, QString::fromLocal8Bit(argv[1]))
                   ? 0
                   : 1;
    }
    if (scene == "snapshot") {
        // A snapshot listed, and its registers in the inspector beside the
        // window: the picture is of the screen where both lie.
        auto* files = window.findChild<bitreel::FileList*>("File1");
        const QStringList names = QDir().entryList({"*.z80"}, QDir::Files, QDir::Name);
        if (names.isEmpty() || !ClickFile(files, names.front())) {
            return 1;
        }
        auto* list = window.findChild<QAbstractItemView*>("lstContents");
        list->doItemsLayout();
        const QPoint at = list->visualRect(list->model()->index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        auto* inspector = window.findChild<bitreel::BlockInspector*>();
        if (!inspector || !QTest::qWaitForWindowExposed(inspector)) {
            return 1;
        }
        auto* tabs = inspector->findChild<QTabWidget*>("views");
        tabs->setCurrentIndex(1);
        QTest::qWait(300); // let the last repaints land
        const QRect area = window.frameGeometry().united(inspector->frameGeometry());
        return window.screen()
                       ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                       .save(QString::fromLocal8Bit(argv[1]))
                   ? 0
                   : 1;
    }
    if (scene == "signal") {
        // A noisy recording's first damaged block, at its first uncertain bit.
        auto* files = window.findChild<bitreel::FileList*>("File1");
        if (!ClickFile(files, QStringLiteral("noisy.wav"))) {
            return 1;
        }
        auto* contents = window.findChild<bitreel::ContentsList*>("lstContents");
        int damaged = 0;
        while (damaged < contents->count() &&
               !contents->itemText(damaged).contains(QStringLiteral("Invalid Checksum"))) {
            ++damaged;
        }
        return damaged < contents->count() &&
                       ShootInspector(window, damaged, QString::fromLocal8Bit(argv[1]),
                                      [](bitreel::BlockInspector& inspector) {
                                          if (auto* tab =
                                                  inspector.findChild<bitreel::SignalTab*>()) {
                                              tab->ShowNextUncertain();
                                          }
                                      })
                   ? 0
                   : 1;
    }
    if (scene == "sound-saved") {
        auto* files = window.findChild<bitreel::FileList*>("File1");
        if (!ClickFile(files, QStringLiteral("savetap_test.tap"))) {
            return 1;
        }
        window.findChild<QAction*>("actSaveAudio")->trigger();
        QTest::qWait(200); // let the last repaints land
        return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    if (scene == "sound-menu" || scene == "sound-playing") {
        auto* files = window.findChild<bitreel::FileList*>("File1");
        if (!ClickFile(files, QStringLiteral("savetap_test.tap"))) {
            return 1;
        }
        auto* contents = window.findChild<bitreel::ContentsList*>("lstContents");
        contents->setCurrentRow(2);
        bool saved = false;
        const QString out = QString::fromLocal8Bit(argv[1]);
        if (scene == "sound-menu") {
            // The menu is a window of its own: the picture is of the screen
            // where the window and the menu lie.
            QTimer::singleShot(300, [&] {
                if (QWidget* menu = QApplication::activePopupWidget()) {
                    const QRect area = window.frameGeometry().united(menu->geometry());
                    saved = window.screen()
                                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                .save(out);
                    menu->close();
                }
            });
            const QPoint at = contents->visualRowRect(2).center();
            QContextMenuEvent click(QContextMenuEvent::Mouse, at,
                                    contents->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(contents->viewport(), &click);
            return saved ? 0 : 1;
        }
        // Through the system's default output: a null sink will do.
        QTimer midBlock;
        QObject::connect(&midBlock, &QTimer::timeout, [&] {
            const QString progress = window.findChild<QLabel*>("lblStatus2")->text();
            if (progress.endsWith(QLatin1String(" s")) &&
                progress.section(QLatin1Char(' '), 0, 0).toDouble() >= 2.0) {
                midBlock.stop();
                window.repaint();
                saved = window.grab().save(out);
                QTest::mouseClick(window.findChild<QPushButton*>("cmdStop"), Qt::LeftButton);
            }
        });
        midBlock.start(50);
        window.findChild<QAction*>("actPlaySound")->trigger();
        return saved ? 0 : 1;
    }
    if (scene == "contents" || scene == "playing" || scene == "beside") {
        auto* files = window.findChild<bitreel::FileList*>("File1");
        const QStringList names = QDir().entryList({"*.TAP"}, QDir::Files, QDir::Size);
        const auto found = files->findItems(names.value(0), Qt::MatchExactly);
        if (found.isEmpty()) {
            return 1;
        }
        files->doItemsLayout();
        files->scrollToItem(found.front());
        QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                          files->visualItemRect(found.front()).center());
        if (scene == "beside") {
            auto* list = window.findChild<bitreel::ContentsList*>("lstContents");
            if (!ShootInspector(window, list->count() - 1, QString::fromLocal8Bit(argv[1]))) {
                return 1;
            }
            return QGuiApplication::primaryScreen()->grabWindow(0).save(
                       QString::fromLocal8Bit(argv[1]))
                       ? 0
                       : 1;
        }
        if (scene == "playing") {
            // Nobody reads the far end, so the bytes pile up as they would
            // ahead of a slow machine; the picture is taken mid-block.
            window.findChild<bitreel::ContentsList*>("lstContents")->setCurrentRow(3);
            bool saved = false;
            QTimer midBlock;
            QObject::connect(&midBlock, &QTimer::timeout, [&] {
                const QString progress = window.findChild<QLabel*>("lblStatus2")->text();
                if (progress.section(QLatin1Char(' '), 0, 0).toInt() >= 3000) {
                    midBlock.stop();
                    window.repaint();
                    saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
                    QTest::mouseClick(window.findChild<QPushButton*>("cmdStop"), Qt::LeftButton);
                }
            });
            midBlock.start(0);
            QTest::mouseClick(window.findChild<QPushButton*>("cmdPlay"), Qt::LeftButton);
            return saved ? 0 : 1;
        }
    } else if (scene == "ace") {
        QTest::mouseClick(window.findChild<QRadioButton*>("optMachine1"), Qt::LeftButton);
        auto* format = window.findChild<QComboBox*>("cboFormat");
        format->showPopup();
        format->view()->setCurrentIndex(format->model()->index(1, 0));
        QTest::keyClick(format->view(), Qt::Key_Return);
    }
    QTest::qWait(200); // let the last repaints land
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
