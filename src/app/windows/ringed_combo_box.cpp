#include "app/windows/ringed_combo_box.h"

#include <QPainter>
#include <QPen>

namespace brenlow {

void RingedComboBox::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

}  // namespace brenlow
