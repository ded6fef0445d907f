#include "app/heat_map_legend.h"

#include <QLinearGradient>
#include <QPainter>
#include <array>

namespace brenlow {
namespace {

struct Stop {
    double distance;
    QColor colour;
};

// The stops butteraugliHeatMap paints with.
const std::array<Stop, 4> kStops = {{{0.0, QColor(0, 0, 96)},
                                     {1.0, QColor(0, 200, 0)},
                                     {2.0, QColor(255, 220, 0)},
                                     {3.0, QColor(220, 0, 0)}}};

constexpr double kLastDistance = 3.0;
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
    for (const Stop& stop : kStops) ramp.setColorAt(stop.distance / kLastDistance, stop.colour);
    painter.fillRect(QRect(left, 0, kRampWidth, kRampHeight), ramp);
    painter.setPen(palette().color(QPalette::WindowText));
    const int baseline = kRampHeight + fontMetrics().ascent() + 2;
    for (const Stop& stop : kStops) {
        const QString label = stop.distance < kLastDistance ? QString::number(stop.distance)
                                                            : QStringLiteral("≥ 3");
        const int x = left + static_cast<int>(stop.distance / kLastDistance * kRampWidth);
        const int width = fontMetrics().horizontalAdvance(label);
        painter.drawText(stop.distance < kLastDistance ? x - width / 2 : x - fontMetrics().horizontalAdvance('0') / 2,
                         baseline, label);
    }
}

}  // namespace brenlow
