#pragma once

#include <span>
#include <string_view>

class QWidget;

namespace bitreel {

// Where one control of the main window stands, in twips (1/1440 inch) of the
// client area.
struct ControlPlace {
    std::string_view name; // the control's objectName
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int ClientWidthTwips = 10575;
inline constexpr int ClientHeightTwips = 6090;

// Every control's place: the browser on the left, the contents list on the
// right, the machine choice under the browser, the commands along the bottom.
[[nodiscard]] std::span<const ControlPlace> WindowPlaces();

// Puts every control of window in its place and fixes the window's size,
// scaled by the screen's logical dpi so that the layout keeps its proportions
// to the text on any screen.
void ApplyWindowLayout(QWidget& window);

} // namespace bitreel
