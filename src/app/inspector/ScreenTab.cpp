#include "app/inspector/ScreenTab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <utility>

namespace bitreel {
namespace {

constexpr int kFirstFactor = 2;

QImage ToQImage(const view::ScreenImage& image) {
    // The pixels are 0xFFRRGGBB, Qt's 32-bit RGB layout; the copy owns them.
    return QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                  image.width * 4, QImage::Format_RGB32)
        .copy();
}

} // namespace

ScreenTab::ScreenTab(view::ScreenImage image, QWidget* parent)
    : QWidget(parent), image_(std::move(image)) {
    scale_ = new QComboBox(this);
    scale_->setObjectName(QStringLiteral("scale"));
    for (int factor = 1; factor <= 4; ++factor) {
        scale_->addItem(QStringLiteral("%1x").arg(factor), factor);
    }
    auto* save = new QPushButton(QStringLiteral("Save &PNG..."), this);
    save->setObjectName(QStringLiteral("savePng"));
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setAlignment(Qt::AlignCenter);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(picture_);
    scroll->setWidgetResizable(true);
    scroll->setAlignment(Qt::AlignCenter);

    auto* controls = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Scale:"), this);
    label->setBuddy(scale_);
    controls->addWidget(label);
    controls->addWidget(scale_);
    controls->addStretch();
    controls->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(scroll, 1);

    connect(scale_, &QComboBox::currentIndexChanged, this,
            [this] { ShowAt(scale_->currentData().toInt()); });
    connect(save, &QPushButton::clicked, this, &ScreenTab::SaveRequested);
    scale_->setCurrentIndex(kFirstFactor - 1);
}

void ScreenTab::ShowAt(int factor) {
    shownPixels_ = view::ScaleImage(image_, factor);
    shown_ = ToQImage(shownPixels_);
    picture_->setPixmap(QPixmap::fromImage(shown_));
}

} // namespace bitreel
