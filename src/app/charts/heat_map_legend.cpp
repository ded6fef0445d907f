#include "app/charts/heat_map_legend.h"

#include <QLinearGradient>
#include <QPainter>
#include <array>

#include "brenlow/measures.h"

namespace brenlow {
namespace {

constexpr double kLastDistance = kHeatMapRamp.back().distance;
constexpr int kRampWidth = 180;
constexpr int kRampHeight = 12;
constexpr int kMargin = 8;

}  // namespace

HeatMapLegend::HeatMapLegend(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("HeatMapLegend"));
    setToolTip(QStringLiteral("Butteraugli distance of each pixel: below 1 the difference is hardly seen, "
                              "3 and more is plainly visible"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize HeatMapLegend::sizeHint() const {
    const int labels = fontMetrics().horizontalAdvance(QStringLiteral("≥ 3")) + fontMetrics().horizontalAdvance('0');
    return QSize(kRampWidth + labels + 2 * kMargin, kRampHeight + fontMetrics().height() + 4);
}

int HeatMapLegend::rampLeft() const { return kMargin + fontMetrics().horizontalAdvance('0') / 2; }

int HeatMapLegend::rampRight() const { return rampLeft() + kRampWidth; }

void HeatMapLegend::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int left = rampLeft();
    QLinearGradient ramp(left, 0, rampRight(), 0);
    for (const HeatMapStop& stop : kHeatMapRamp)
        ramp.setColorAt(stop.distance / kLastDistance, QColor(stop.rgb[0], stop.rgb[1], stop.rgb[2]));
    painter.fillRect(QRect(left, 0, kRampWidth, kRampHeight), ramp);
    painter.setPen(palette().color(QPalette::WindowText));
    const int baseline = kRampHeight + fontMetrics().ascent() + 2;
    for (const HeatMapStop& stop : kHeatMapRamp) {
        const QString label = stop.distance < kLastDistance ? QString::number(stop.distance)
                                                            : QStringLiteral("≥ 3");
        const int x = left + static_cast<int>(stop.distance / kLastDistance * kRampWidth);
        const int width = fontMetrics().horizontalAdvance(label);
        painter.drawText(stop.distance < kLastDistance ? x - width / 2 : x - fontMetrics().horizontalAdvance('0') / 2,
                         baseline, label);
    }
}

}  // namespace brenlow
