#include "app/window/WindowLayout.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cmath>

namespace bitreel {
namespace {

constexpr int kLeft = 120;        // left column
constexpr int kLeftWidth = 4650;  //
constexpr int kRight = 4890;      // right column, the wider
constexpr int kRightWidth = 5565; //
constexpr int kRowTop = 5355;     // bottom row
constexpr int kRowHeight = 495;   //
constexpr int kButtonWidth = 975; // all five buttons
constexpr int kComboHeight = 345; //

constexpr auto kPlaces = std::to_array<ControlPlace>({
    {"Label1", kLeft, 120, kLeftWidth, 255},
    {"Drive1", kLeft, 390, kLeftWidth, kComboHeight},
    {"Dir1", kLeft, 795, kLeftWidth, 1920},
    {"File1", kLeft, 2775, kLeftWidth, 1920},
    {"optMachine0", kLeft, 4800, 1980, kComboHeight},
    {"optMachine1", 2130, 4800, 1770, kComboHeight},
    {"cboFormat", 3960, 4800, kLeft + kLeftWidth - 3960, kComboHeight},
    {"Label2", kRight, 120, kRightWidth, 255},
    {"lstContents", kRight, 390, kRightWidth, 4755},
    {"cmdPlay", kLeft, kRowTop, kButtonWidth, kRowHeight},
    {"cmdStop", 1155, kRowTop, kButtonWidth, kRowHeight},
    {"cmdRecord", 2190, kRowTop, kButtonWidth, kRowHeight},
    {"lblStatus", 3285, kRowTop, 1755, 240},
    {"lblStatus2", 3285, kRowTop + 255, 1755, 240},
    {"cmdReset", 5160, kRowTop, kButtonWidth, kRowHeight},
    {"cboComPort", 6255, kRowTop + (kRowHeight - kComboHeight) / 2, 1290, kComboHeight},
    {"Label3", 7665, kRowTop, 1695, kRowHeight},
    {"cmdExit", kRight + kRightWidth - kButtonWidth, kRowTop, kButtonWidth, kRowHeight},
});

} // namespace

std::span<const ControlPlace> WindowPlaces() {
    return kPlaces;
}

void ApplyWindowLayout(QWidget& window) {
    const double dpiX = window.logicalDpiX();
    const double dpiY = window.logicalDpiY();
    const auto x = [&](int twips) { return static_cast<int>(std::lround(twips * dpiX / 1440)); };
    const auto y = [&](int twips) { return static_cast<int>(std::lround(twips * dpiY / 1440)); };
    for (const ControlPlace& place : kPlaces) {
        const QString name =
            QString::fromLatin1(place.name.data(), static_cast<qsizetype>(place.name.size()));
        if (auto* control = window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly)) {
            control->setGeometry(x(place.left), y(place.top), x(place.width), y(place.height));
        }
    }
    window.setFixedSize(x(ClientWidthTwips), y(ClientHeightTwips));
}

} // namespace bitreel
