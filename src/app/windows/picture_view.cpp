#include "app/windows/picture_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace brenlow {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setFixedSize(0, 0);
}

void PictureView::setPicture(QImage picture) {
    picture_ = std::move(picture);
    fitToScaledPicture();
    update();
}

void PictureView::setScale(double scale) {
    if (scale <= 0.0 || scale == scale_) return;
    scale_ = scale;
    fitToScaledPicture();
    update();
}

void PictureView::fitToScaledPicture() {
    if (picture_.isNull()) {
        setFixedSize(0, 0);
        return;
    }
    // Even the smallest view keeps one pixel to show.
    const auto scaled = [this](int length) { return std::max(1, static_cast<int>(std::lround(length * scale_))); };
    setFixedSize(scaled(picture_.width()), scaled(picture_.height()));
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (scale_ == 1.0) {
        painter.drawImage(event->rect(), picture_, event->rect());
        return;
    }
    // Enlarged pixels stay sharp squares so that single values can be told apart; reduced
    // pictures are smoothed so that they do not shimmer. What counts is the size on the screen: on
    // a scaled screen a picture pixel may be one screen pixel at a scale below 1.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale_ * devicePixelRatioF() < 0.999);
    painter.scale(scale_, scale_);
    const QRectF exposed = painter.transform().inverted().mapRect(QRectF(event->rect()));
    const QRectF source = exposed.intersected(QRectF(picture_.rect()));
    painter.drawImage(source, picture_, source);
}

}  // namespace brenlow
