#pragma once

// The real main window built with test services in a folder of its own,
// with its controls found by name and the user's actions on them.

#include "FakePort.h"
#include "support/ScriptedDialog.h"

#include "app/Form1.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/FileList.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace bitreel::test {

inline QString ToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The label's whole text is on screen, wrapped at its words where it wraps.
[[nodiscard]] inline bool ShownWhole(const QLabel& label) {
    const QRect needed = QFontMetrics(label.font())
                             .boundingRect(QRect(QPoint(), label.size()),
                                           Qt::TextWordWrap | Qt::AlignLeft, label.text());
    return label.isVisible() && needed.width() <= label.width() &&
           needed.height() <= label.height();
}

class TestWindow {
public:
    // Starts the window with folder as the current folder; drives empty offers
    // only the volume the folder lies on.
    TestWindow(const std::filesystem::path& folder, FakeLine& line, QStringList drives = {}) {
        const QString before = QDir::currentPath();
        if (!QDir::setCurrent(ToQString(folder))) {
            throw std::runtime_error("cannot enter the test folder");
        }
        Form1::Services services;
        services.port = std::make_unique<FakePort>(line);
        // Logged on the line, so that tests see it in order with the port's steps.
        services.exit = [&line](int status) {
            line.log.push_back("exit " + std::to_string(status));
        };
        services.drives = [drives] { return drives; };
        auto scripted = std::make_unique<ScriptedDialog>(); // cancels unless told otherwise
        dialog = scripted.get();
        services.recordDialog = std::move(scripted);
        form = std::make_unique<Form1>(std::move(services));
        QDir::setCurrent(before);
        form->show();
        static_cast<void>(QTest::qWaitForWindowExposed(form.get()));
    }

    template <typename Control> [[nodiscard]] Control* Get(const char* name) const {
        auto* control = form->findChild<Control*>(QString::fromLatin1(name));
        if (!control) {
            throw std::runtime_error(std::string("no control ") + name);
        }
        return control;
    }
    [[nodiscard]] QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }
    [[nodiscard]] QLabel* Label(const char* name) const { return Get<QLabel>(name); }
    [[nodiscard]] QComboBox* Combo(const char* name) const { return Get<QComboBox>(name); }
    [[nodiscard]] QRadioButton* Machine(int index) const {
        return Get<QRadioButton>(index == 0 ? "optMachine0" : "optMachine1");
    }
    [[nodiscard]] ContentsList* Contents() const { return Get<ContentsList>("lstContents"); }
    [[nodiscard]] FileList* Files() const { return Get<FileList>("File1"); }
    [[nodiscard]] DirList* Dirs() const { return Get<DirList>("Dir1"); }

    // The user's actions.
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void ClickRow(QAbstractItemView* list, int row) {
        list->doItemsLayout(); // rows are placed lazily, on the next pass of the event loop
        const QRect place = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }
    // Picks an entry from the opened list, as a user would; the entry shown
    // can be picked again.
    static void Choose(QComboBox* combo, int index) {
        combo->showPopup();
        QAbstractItemView* entries = combo->view();
        entries->setCurrentIndex(combo->model()->index(index, 0));
        QTest::keyClick(entries, Qt::Key_Return);
    }

    [[nodiscard]] static QStringList Rows(const QAbstractItemView* list) {
        QStringList rows;
        for (int i = 0; i < list->model()->rowCount(); ++i) {
            rows.append(list->model()->index(i, 0).data().toString());
        }
        return rows;
    }
    [[nodiscard]] static QStringList Entries(const QComboBox* combo) {
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i) {
            entries.append(combo->itemText(i));
        }
        return entries;
    }

    std::unique_ptr<Form1> form;
    ScriptedDialog* dialog = nullptr; // owned by the window
};

} // namespace bitreel::test
