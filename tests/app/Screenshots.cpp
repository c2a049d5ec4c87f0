// Takes the README's pictures of the window: run in a folder of tape images,
//   app_screenshots OUT.png spectrum|contents|ace|playing
// "spectrum" is the window as start-up leaves it, "contents" has the largest
// tape image of the folder clicked, "ace" shows the Jupiter Ace with the TAP
// format chosen, "playing" the largest image going out from its fourth block.
// A pseudo-terminal stands in for a serial adapter, so that the port list
// has a port to show.
#include "app/ContentsList.h"
#include "app/FileList.h"
#include "app/Form1.h"
#include "app/SystemServices.h"
#include "serial/SystemPort.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>

#include <cstdio>
#include <string_view>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT.png spectrum|contents|ace\n", argv[0]);
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
    bitreel::Form1 window(std::move(services));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }

    if (scene == "contents" || scene == "playing") {
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
