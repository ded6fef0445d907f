#include "app/picture_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace brenlow {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setFixedSize(0, 0);
}

void PictureView::setPicture(QImage picture) {
    picture_ = std::move(picture);
    update();
}

void PictureView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect(), picture_, event->rect());
}

}  // namespace brenlow
