#include "app/charts/curve_markers.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace brenlow {
namespace {

// A regular star of five points around the centre of a square `size` across.
QPolygonF starOutline(double size) {
    QPolygonF star;
    const double centre = size / 2.0;
    for (int corner = 0; corner < 10; ++corner) {
        const double radius = corner % 2 == 0 ? size / 2.0 : size / 4.6;
        const double angle = -std::numbers::pi / 2.0 + corner * std::numbers::pi / 5.0;
        star << QPointF(centre + radius * std::cos(angle), centre + radius * std::sin(angle));
    }
    return star;
}

void drawShape(QPainter& painter, MarkerShape shape, double size) {
    const double inset = 1.0;  // keeps antialiased edges inside the image
    const double far = size - inset;
    const double middle = size / 2.0;
    switch (shape) {
    case MarkerShape::Circle: painter.drawEllipse(QRectF(inset, inset, far - inset, far - inset)); break;
    case MarkerShape::Square:
        painter.drawRect(QRectF(inset + 1.0, inset + 1.0, far - inset - 2.0, far - inset - 2.0));
        break;
    case MarkerShape::Triangle:
        painter.drawPolygon(QPolygonF({QPointF(middle, inset), QPointF(far, far), QPointF(inset, far)}));
        break;
    case MarkerShape::Diamond:
        painter.drawPolygon(
            QPolygonF({QPointF(middle, inset), QPointF(far, middle), QPointF(middle, far), QPointF(inset, middle)}));
        break;
    case MarkerShape::Cross:
        painter.drawLine(QPointF(inset + 1.0, inset + 1.0), QPointF(far - 1.0, far - 1.0));
        painter.drawLine(QPointF(inset + 1.0, far - 1.0), QPointF(far - 1.0, inset + 1.0));
        break;
    case MarkerShape::Plus:
        painter.drawLine(QPointF(middle, inset), QPointF(middle, far));
        painter.drawLine(QPointF(inset, middle), QPointF(far, middle));
        break;
    case MarkerShape::Star: painter.drawPolygon(starOutline(size)); break;
    }
}

}  // namespace

QImage curveMarkerImage(MarkerShape shape, const QColor& colour, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool stroked = shape == MarkerShape::Cross || shape == MarkerShape::Plus;
    painter.setPen(stroked ? QPen(colour, 2.0, Qt::SolidLine, Qt::FlatCap) : QPen(Qt::NoPen));
    painter.setBrush(stroked ? QBrush(Qt::NoBrush) : QBrush(colour));
    drawShape(painter, shape, size);
    return image;
}

QPen curvePen(const CurveStyle& style, int width) {
    QPen pen(QColor(QString::fromStdString(style.colour)));
    pen.setWidth(width);
    if (!style.dash.empty()) {
        // Dashes are in line widths, as the pen counts them; a flat cap keeps each its length.
        pen.setDashPattern(QList<qreal>(style.dash.begin(), style.dash.end()));
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

}  // namespace brenlow
