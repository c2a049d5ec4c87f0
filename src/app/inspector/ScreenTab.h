#pragma once

#include "view/screen/ScreenImage.h"

#include <QImage>
#include <QWidget>

class QComboBox;
class QLabel;

namespace bitreel {

// A loading screen scaled by a whole factor (1x to 4x, 2x at first), with
// the button that asks for it to be saved as shown.
class ScreenTab : public QWidget {
    Q_OBJECT

public:
    ScreenTab(view::ScreenImage image, QWidget* parent);

    // The picture at the chosen scale, for the screen and the clipboard, and
    // as pixels for the PNG the command line writes too.
    [[nodiscard]] const QImage& Shown() const { return shown_; }
    [[nodiscard]] const view::ScreenImage& ShownPixels() const { return shownPixels_; }

signals:
    void SaveRequested();

private:
    void ShowAt(int factor);

    view::ScreenImage image_;
    view::ScreenImage shownPixels_;
    QImage shown_;
    QComboBox* scale_ = nullptr;
    QLabel* picture_ = nullptr;
};

} // namespace bitreel
