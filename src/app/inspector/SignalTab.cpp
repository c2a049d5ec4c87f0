#include "app/inspector/SignalTab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace bitreel {

namespace {

constexpr int ZoomSteps = 100;
// Zoomed in on an uncertain bit, about this many bits are in view.
constexpr double BitsAroundUncertain = 16;

QColor BitColour(const SignalBit& bit) {
    if (bit.certainty < SignalTab::Doubtful) {
        return {220, 50, 47};
    }
    if (bit.certainty < SignalTab::Unsure || bit.suspect) {
        return {245, 160, 0};
    }
    return {200, 230, 200};
}

bool Uncertain(const SignalBit& bit) {
    return bit.certainty < SignalTab::Unsure || bit.suspect;
}

} // namespace

// The drawing: the waveform on top, the edges as a square wave, the bits
// as a row of cells under them.
class SignalView : public QWidget {
public:
    SignalView(const BlockSignal& signal, QWidget* parent) : QWidget(parent), signal_(signal) {
        setMinimumHeight(180);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    double samplesPerPixel = 1;
    double first = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        const int w = width();
        const int bitsHeight = 22;
        const int waveHeight = (height() - bitsHeight) * 2 / 3;
        const int squareTop = waveHeight + 6;
        const int squareHeight = height() - bitsHeight - squareTop - 6;
        const auto x = [&](double sample) { return (sample - first) / samplesPerPixel; };

        if (!signal_.samples.empty()) {
            p.setPen(QColor(40, 80, 160));
            const double mid = waveHeight / 2.0;
            for (int px = 0; px < w; ++px) {
                const auto from = std::size_t(std::max(0.0, first + px * samplesPerPixel));
                const auto to = std::min(signal_.samples.size(),
                                         std::size_t(first + (px + 1) * samplesPerPixel) + 1);
                if (from >= to) {
                    continue;
                }
                const auto [lo, hi] = std::minmax_element(signal_.samples.begin() + long(from),
                                                          signal_.samples.begin() + long(to));
                p.drawLine(px, int(mid - *hi * mid), px, int(mid - *lo * mid));
            }
        }

        // Each edge changes the level: the square wave the decoder read.
        p.setPen(palette().text().color());
        const auto& edges = signal_.edges;
        auto e = std::lower_bound(edges.begin(), edges.end(), first);
        bool high = (e - edges.begin()) % 2 == 1;
        double at = 0;
        const auto levelY = [&](bool h) { return squareTop + (h ? 0 : squareHeight); };
        for (; e != edges.end() && x(*e) <= w; ++e) {
            const double ex = x(*e);
            p.drawLine(QPointF(at, levelY(high)), QPointF(ex, levelY(high)));
            p.drawLine(QPointF(ex, levelY(high)), QPointF(ex, levelY(!high)));
            high = !high;
            at = ex;
        }
        p.drawLine(QPointF(at, levelY(high)), QPointF(w, levelY(high)));

        const int bitsTop = height() - bitsHeight;
        const auto& bits = signal_.bits;
        auto b = std::lower_bound(bits.begin(), bits.end(), first,
                                  [](const SignalBit& bit, double s) { return bit.end < s; });
        for (; b != bits.end() && x(b->start) <= w; ++b) {
            const QRectF cell(x(b->start), bitsTop, std::max(1.0, x(b->end) - x(b->start)),
                              bitsHeight - 1);
            p.fillRect(cell, BitColour(*b));
            if (cell.width() >= 10) {
                p.setPen(palette().text().color());
                p.drawRect(cell);
                p.drawText(cell, Qt::AlignCenter,
                           b->one ? QStringLiteral("1") : QStringLiteral("0"));
            }
        }
    }

private:
    const BlockSignal& signal_;
};

SignalTab::SignalTab(BlockSignal signal, QWidget* parent)
    : QWidget(parent), signal_(std::move(signal)) {
    view_ = new SignalView(signal_, this);
    view_->setObjectName(QStringLiteral("signal"));
    zoom_ = new QSlider(Qt::Horizontal, this);
    zoom_->setObjectName(QStringLiteral("zoom"));
    zoom_->setRange(0, ZoomSteps);
    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName(QStringLiteral("position"));
    auto* next = new QPushButton(QStringLiteral("&Next uncertain bit"), this);
    next->setObjectName(QStringLiteral("nextUncertain"));
    about_ = new QLabel(this);
    about_->setObjectName(QStringLiteral("about"));
    about_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const auto unsure = std::count_if(signal_.bits.begin(), signal_.bits.end(), Uncertain);
    about_->setText(
        QStringLiteral("%1 bits at %2 Hz, %3 uncertain (red: certainty under %4; orange: under "
                       "%5, or among the least certain of a damaged block)%6")
            .arg(signal_.bits.size())
            .arg(signal_.rate)
            .arg(unsure)
            .arg(double(Doubtful))
            .arg(double(Unsure))
            .arg(signal_.samples.empty() ? QStringLiteral("; a CSW file holds no waveform")
                                         : QString()));
    next->setEnabled(unsure > 0);

    auto* controls = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Zoom:"), this);
    label->setBuddy(zoom_);
    controls->addWidget(label);
    controls->addWidget(zoom_, 1);
    controls->addWidget(next);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(view_, 1);
    layout->addWidget(scroll_);
    layout->addWidget(about_);

    connect(zoom_, &QSlider::valueChanged, this, &SignalTab::ZoomTo);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        view_->first = value;
        view_->update();
    });
    connect(next, &QPushButton::clicked, this, &SignalTab::ShowNextUncertain);
    ZoomTo(0);
}

void SignalTab::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The zoom is a share of the block: the same step shows the same part.
    ZoomTo(zoom_->value());
}

double SignalTab::SamplesPerPixel() const {
    return view_->samplesPerPixel;
}

double SignalTab::FirstShown() const {
    return view_->first;
}

// Samples a pixel with the whole block in view, and with one bit across it.
std::pair<double, double> SignalTab::ZoomRange() const {
    const double width = std::max(1, view_->width());
    const double whole = std::max(1.0, signal_.length / width);
    if (signal_.bits.empty()) {
        return {whole, whole};
    }
    const double bit = (signal_.bits.back().end - signal_.bits.front().start) /
                       double(signal_.bits.size()) / width;
    return {whole, std::clamp(bit, 0.05, whole)};
}

// From the whole block in view (step 0) to one bit across it, evenly on a
// logarithmic scale, the middle kept where it was.
void SignalTab::ZoomTo(int step) {
    const double centre = view_->first + view_->samplesPerPixel * std::max(1, view_->width()) / 2;
    const auto [whole, bit] = ZoomRange();
    view_->samplesPerPixel = whole * std::pow(bit / whole, double(step) / ZoomSteps);
    CentreOn(step == 0 ? signal_.length / 2 : centre);
}

void SignalTab::CentreOn(double sample) {
    const double shown = view_->samplesPerPixel * std::max(1, view_->width());
    const double most = std::max(0.0, signal_.length - shown);
    const QSignalBlocker quiet(scroll_);
    scroll_->setRange(0, int(std::ceil(most)));
    scroll_->setPageStep(int(shown));
    scroll_->setValue(int(std::clamp(sample - shown / 2, 0.0, most)));
    view_->first = scroll_->value();
    view_->update();
}

bool SignalTab::ShowNextUncertain() {
    const double width = std::max(1, view_->width());
    const double centre = view_->first + view_->samplesPerPixel * width / 2;
    const bool stayed = shown_ && shown_->first == view_->first;
    const auto found =
        std::find_if(signal_.bits.begin() + (stayed ? std::ptrdiff_t(shown_->bit) + 1 : 0),
                     signal_.bits.end(), [&](const SignalBit& b) {
                         return Uncertain(b) && (stayed || (b.start + b.end) / 2 > centre + 0.5);
                     });
    const auto wrapped = found != signal_.bits.end()
                             ? found
                             : std::find_if(signal_.bits.begin(), signal_.bits.end(), Uncertain);
    if (wrapped == signal_.bits.end()) {
        return false;
    }
    const auto [whole, bit] = ZoomRange();
    const double perPixel =
        std::clamp(BitsAroundUncertain * (wrapped->end - wrapped->start) / width, bit, whole);
    if (view_->samplesPerPixel > perPixel) {
        view_->samplesPerPixel = perPixel;
        const QSignalBlocker quiet(zoom_);
        zoom_->setValue(bit < whole ? int(std::round(ZoomSteps * std::log(perPixel / whole) /
                                                     std::log(bit / whole)))
                                    : 0);
    }
    const auto k = std::size_t(wrapped - signal_.bits.begin());
    about_->setText(QStringLiteral("bit %1.%2: read as %3, certainty %4")
                        .arg(k / 8 + 1)
                        .arg(k % 8)
                        .arg(wrapped->one ? 1 : 0)
                        .arg(double(wrapped->certainty), 0, 'f', 2));
    CentreOn((wrapped->start + wrapped->end) / 2);
    shown_ = Shown{k, view_->first};
    return true;
}

} // namespace bitreel
