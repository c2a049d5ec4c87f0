// The window as start-up leaves it: controls, caption, layout, the first file
// listed and the first port open.
#include "TestWindow.h"

#include "app/window/WindowCaption.h"
#include "app/window/WindowLayout.h"
#include "support/TapeBuilder.h"
#include "support/TempDir.h"
#include "tape/Tape.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStyle>
#include <QTreeWidget>

#include <optional>

namespace bitreel::test {
namespace {

struct ControlStart {
    const char* name;
    const char* kind;            // a Qt class the control is one of
    std::optional<QString> text; // caption, or the entry shown
    bool enabled;
};

// In a folder without tape images and with no serial port.
const ControlStart kStart[] = {
    {"Label1", "QLabel", "File:", true},
    {"Drive1", "QComboBox", std::nullopt, true},
    {"Dir1", "QTreeWidget", std::nullopt, true},
    {"File1", "QListWidget", std::nullopt, true},
    {"Label2", "QLabel", "Contents:", true},
    {"lstContents", "QListView", std::nullopt, true},
    {"optMachine0", "QRadioButton", "Spectrum TAP Files", true},
    {"optMachine1", "QRadioButton", "Jupiter Ace Files", true},
    {"cboFormat", "QComboBox", "JUP", false},
    {"cmdPlay", "QPushButton", "Pl&ay", false},
    {"cmdStop", "QPushButton", "St&op", false},
    {"cmdRecord", "QPushButton", "Re&cord", true},
    {"cmdReset", "QPushButton", "&Reset", false},
    {"lblStatus", "QLabel", "", true},
    {"lblStatus2", "QLabel", "", true},
    {"cboComPort", "QComboBox", "", true},
    {"Label3", "QLabel", std::nullopt, true},
    {"cmdExit", "QPushButton", "E&xit", true},
};

QString TextOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    return {};
}

// The least size that shows a control's text whole.
QSize NeededSize(const QWidget* control) {
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        // The style's minimum width for buttons is a look, not a need.
        const QStyle* style = button->style();
        const int frame = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                               style->pixelMetric(QStyle::PM_DefaultFrameWidth));
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        return text + QSize(frame, frame);
    }
    if (control->inherits("QLabel") || control->inherits("QRadioButton") ||
        control->inherits("QComboBox")) {
        return control->minimumSizeHint();
    }
    return {};
}

class StartUp : public ::testing::Test {
protected:
    TempDir dir;
    FakeLine line;
};

TEST_F(StartUp, EveryControlStartsAsDesigned) {
    TestWindow w(dir.path(), line);
    for (const ControlStart& c : kStart) {
        SCOPED_TRACE(c.name);
        const auto* control = w.Get<QWidget>(c.name);
        EXPECT_TRUE(control->inherits(c.kind));
        EXPECT_EQ(control->isEnabled(), c.enabled);
        if (c.text) {
            EXPECT_EQ(TextOf(control), *c.text);
        }
    }
    EXPECT_TRUE(w.Machine(0)->isChecked());
    EXPECT_FALSE(w.Machine(1)->isChecked());
    EXPECT_EQ(TestWindow::Entries(w.Combo("cboFormat")), (QStringList{"JUP", "TAP"}));
    EXPECT_EQ(w.Files()->Pattern(), "*.TAP;*.TZX;*.PZX;*.WAV;*.FLAC;*.CSW;*.Z80;*.SNA;*.SZX");
    EXPECT_EQ(w.Contents()->count(), 0);
    EXPECT_FALSE(w.form->StopRequested);
}

TEST(WindowCaption, MinorNumberHasAtLeastTwoDigits) {
    const struct {
        int major, minor;
        const char* caption;
    } cases[] = {{1, 7, "Bitreel V1.07"},
                 {1, 10, "Bitreel V1.10"},
                 {2, 123, "Bitreel V2.123"},
                 {1, 0, "Bitreel V1.00"},
                 {12, 5, "Bitreel V12.05"}};
    for (const auto& c : cases) {
        EXPECT_EQ(WindowCaption(c.major, c.minor), c.caption);
    }
}

TEST_F(StartUp, CaptionShowsTheProjectVersion) {
    TestWindow w(dir.path(), line);
    EXPECT_EQ(w.form->windowTitle().toStdString(),
              WindowCaption(BITREEL_VERSION_MAJOR, BITREEL_VERSION_MINOR));
}

TEST_F(StartUp, TabOrderFollowsTheLayout) {
    TestWindow w(dir.path(), line);
    const QStringList expected = {
        "Drive1",  "Dir1",    "File1",     "lstContents", "optMachine0", "optMachine1", "cboFormat",
        "cmdPlay", "cmdStop", "cmdRecord", "cmdReset",    "cboComPort",  "cmdExit"};
    QStringList order;
    QWidget* first = w.Get<QWidget>("Drive1");
    QWidget* at = first;
    do {
        if ((at->focusPolicy() & Qt::TabFocus) && expected.contains(at->objectName())) {
            order.append(at->objectName());
        }
        at = at->nextInFocusChain();
    } while (at != first);
    EXPECT_EQ(order, expected);
}

TEST_F(StartUp, FixedLayoutHoldsEveryControlWhole) {
    TestWindow w(dir.path(), line);
    EXPECT_EQ(w.form->minimumSize(), w.form->maximumSize()) << "the window must not resize";
    // The frame shows only the buttons named: no maximize button.
    const Qt::WindowFlags frame = w.form->windowFlags();
    EXPECT_TRUE(frame.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(frame.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(frame.testFlag(Qt::WindowCloseButtonHint));
    const QRect client = w.form->rect();
    std::vector<const QWidget*> placed;
    for (const ControlPlace& place : WindowPlaces()) {
        const auto* control = w.Get<QWidget>(std::string(place.name).c_str());
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(client.contains(control->geometry()));
        for (const QWidget* other : placed) {
            EXPECT_FALSE(control->geometry().intersects(other->geometry()))
                << "overlaps " << other->objectName().toStdString();
        }
        placed.push_back(control);
        const QSize needed = NeededSize(control);
        EXPECT_LE(needed.width(), control->width()) << "cut off";
        EXPECT_LE(needed.height(), control->height()) << "cut off";
    }
    EXPECT_EQ(placed.size(), std::size(kStart));
}

TEST_F(StartUp, ContentsListUsesAFixedPitchFont) {
    TestWindow w(dir.path(), line);
    const QFontInfo font(w.Contents()->font());
    EXPECT_NEAR(font.pointSizeF(), 8.25, 0.5);
    const QFontMetrics metrics(w.Contents()->font());
    for (const QChar c : QStringLiteral("W:[ =0")) {
        EXPECT_EQ(metrics.horizontalAdvance(c), metrics.horizontalAdvance(u'i'))
            << font.family().toStdString();
    }
}

TEST_F(StartUp, BrowserStartsInTheCurrentFolder) {
    std::filesystem::create_directory(dir / "inner");
    TestWindow w(dir.path(), line);
    const QString start = QDir(ToQString(dir.path())).canonicalPath();
    EXPECT_EQ(QDir(w.Dirs()->Path()).canonicalPath(), start);
    EXPECT_EQ(QDir(w.Files()->Path()).canonicalPath(), start);
    // The open folder is highlighted with its subfolder under it.
    const QTreeWidgetItem* open = w.Dirs()->currentItem();
    ASSERT_NE(open, nullptr);
    ASSERT_EQ(open->childCount(), 1);
    EXPECT_EQ(open->child(0)->text(0), "inner");
}

TEST_F(StartUp, ListsTheFirstTapeImageOfTheFolder) {
    TapeBuilder()
        .Block(0, SpectrumHeader(3, "second", 2, 100, 0))
        .Block(255, {1, 2})
        .WriteTo(dir / "B.TAP");
    TapeBuilder().Block(255, {7}).WriteTo(dir / "a.tap");
    TapeBuilder().Block(255, {7}).WriteTo(dir / "c.jup");
    TestWindow w(dir.path(), line);

    EXPECT_EQ(TestWindow::Rows(w.Files()), (QStringList{"a.tap", "B.TAP"}));
    EXPECT_EQ(w.Files()->ListIndex(), 0);
    bool expectHeader = false;
    const auto rows =
        LoadContents(dir / "a.tap", MachineKind::Spectrum, TapeLayout::SpectrumTap, expectHeader);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(TestWindow::Rows(w.Contents()), QStringList{QString::fromStdString(rows[0])});
    EXPECT_EQ(w.Contents()->currentRow(), 0);
    EXPECT_TRUE(w.Button("cmdPlay")->isEnabled());
    EXPECT_TRUE(w.Button("cmdReset")->isEnabled());
    EXPECT_FALSE(w.Combo("cboFormat")->isEnabled());
    EXPECT_EQ(w.Combo("cboFormat")->currentText(), "JUP");
}

TEST_F(StartUp, AFolderWithoutSpectrumFilesShowsNoRows) {
    // Only a Jupiter Ace file: the Jupiter Ace choice made on the way lists
    // it, but the Spectrum choice in force at the end has no file to show.
    TapeBuilder().Block(255, {7}).WriteTo(dir / "a.jup");
    TestWindow w(dir.path(), line);
    EXPECT_EQ(w.Files()->count(), 0);
    EXPECT_EQ(w.Contents()->count(), 0);
    EXPECT_FALSE(w.Button("cmdPlay")->isEnabled());
    EXPECT_FALSE(w.Button("cmdReset")->isEnabled());
}

struct PortStart {
    const char* name;
    std::set<int> present;
    std::map<int, int> opensLeft;
    QStringList entries;
    int shown; // entry shown, -1 none: the list reads "COM0"
    std::optional<int> open;
    std::map<int, std::string> denied = {}; // this user may not open: the group to join
    QString status = {};                    // what lblStatus says after start-up
};

void PrintTo(const PortStart& c, std::ostream* os) {
    *os << c.name;
}

class PortStartUp : public ::testing::TestWithParam<PortStart> {};

TEST_P(PortStartUp, ListsThePortsAndOpensTheFirst) {
    const PortStart& c = GetParam();
    TempDir dir;
    FakeLine line{c.present, c.opensLeft, {}};
    line.denied = c.denied;
    TestWindow w(dir.path(), line);

    const QComboBox* ports = w.Combo("cboComPort");
    EXPECT_EQ(TestWindow::Entries(ports), c.entries);
    EXPECT_EQ(ports->currentIndex(), c.shown);
    // With no port open the list reads "COM0", after a fallback as at start-up.
    EXPECT_EQ(ports->placeholderText(), c.shown < 0 ? "COM0" : "");
    EXPECT_EQ(w.Label("lblStatus")->text(), c.status);
    // The line settings come first, in this order, before any port opens.
    ASSERT_GE(line.log.size(), 3u);
    EXPECT_EQ(line.log[0], "settings 9600,n,8,1");
    EXPECT_EQ(line.log[1], "handshaking 2");
    EXPECT_EQ(line.log[2], "dtr off");
    const std::string last = line.log.back();
    if (c.open) {
        EXPECT_EQ(last, "open " + std::to_string(*c.open));
    } else {
        EXPECT_FALSE(last.starts_with("open")) << last;
    }
    for (int i = 0; i < ports->count(); ++i) {
        EXPECT_EQ(ports->itemData(i, Qt::ToolTipRole).toString(),
                  "/dev/fake" + ports->itemText(i).mid(3));
    }
    EXPECT_EQ(ports->toolTip(),
              c.shown >= 0 ? "/dev/fake" + ports->itemText(c.shown).mid(3) : QString());
    const auto windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(), [](auto* t) { return t->isVisible(); }),
              1)
        << "no dialog is shown";
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortStartUp,
    ::testing::Values(PortStart{"NoPort", {}, {}, {}, -1, std::nullopt},
                      PortStart{"ThreeAndFive", {3, 5}, {}, {"COM3", "COM5"}, 0, 3},
                      PortStart{"NumericOrder", {12, 2}, {}, {"COM2", "COM12"}, 0, 2},
                      PortStart{"AboveSixteenNeverListed", {17, 16}, {}, {"COM16"}, 0, 16},
                      // Port 3 is taken between the scan and the choice: the
                      // fallback scans again and opens the port it finds.
                      PortStart{"FirstFailsToOpen", {3, 5}, {{3, 1}}, {"COM5"}, 0, 5},
                      PortStart{"OnlyPortFailsToOpen", {3}, {{3, 1}}, {}, -1, std::nullopt},
                      // A device this user may not open is named once, with the
                      // group to join; the adapter (the later number) is named.
                      PortStart{"DeniedNamesTheGroup",
                                {3},
                                {},
                                {"COM3"},
                                0,
                                3,
                                {{1, "dialout"}, {6, "dialout"}},
                                "/dev/fake6: permission denied; join the dialout group"},
                      PortStart{"DeniedWithoutAGroupToJoin",
                                {},
                                {},
                                {},
                                -1,
                                std::nullopt,
                                {{5, ""}},
                                "/dev/fake5: permission denied"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bitreel::test
