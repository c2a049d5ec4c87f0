#pragma once

#include "signal/decode/BlockSignal.h"

#include <QWidget>

#include <optional>
#include <utility>

class QLabel;
class QScrollBar;
class QSlider;

namespace bitreel {

class SignalView;

// A block read from a recording as the decoder saw it: the waveform, the
// edges found in it, and each bit under them, the uncertain ones in
// colour. It zooms from the whole block down to one bit, and steps from one
// uncertain bit to the next, so that a damaged block shows why.
class SignalTab : public QWidget {
    Q_OBJECT

public:
    // Bits under these certainties are drawn red and orange (orange too for
    // the least certain bits of a damaged block).
    static constexpr float Doubtful = 0.3f;
    static constexpr float Unsure = 0.6f;

    SignalTab(BlockSignal signal, QWidget* parent);

    // What is in view: samples a pixel, and the first sample shown.
    [[nodiscard]] double SamplesPerPixel() const;
    [[nodiscard]] double FirstShown() const;
    // Centres the next uncertain bit after the one in the middle, zoomed in
    // on it; false when there is none.
    bool ShowNextUncertain();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] std::pair<double, double> ZoomRange() const;
    void ZoomTo(int step);
    void CentreOn(double sample);

    BlockSignal signal_;
    SignalView* view_ = nullptr;
    QSlider* zoom_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QLabel* about_ = nullptr;
    // The uncertain bit shown last, and where the view stood then: near
    // either end of the block the view cannot centre on a bit, so while the
    // view stays where it was put (the same value, copied, not computed
    // again) the next one is looked for after it, not after the centre.
    struct Shown {
        std::size_t bit = 0;
        double first = 0;
    };
    std::optional<Shown> shown_;
};

} // namespace bitreel
