#include "app/charts/chart_point_tips.h"

#include <QChart>
#include <QCursor>
#include <QLineSeries>
#include <QToolTip>
#include <cmath>
#include <limits>

#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

// How near the pointer must be to a point, in pixels, for its tip to show.
constexpr double kReach = 8.0;

// The curve's point nearest to `at` on the screen, if it is within reach.
std::optional<QPointF> pointNear(QLineSeries& line, QPointF at) {
    QChart* chart = line.chart();
    if (!chart) return std::nullopt;
    const QPointF pointer = chart->mapToPosition(at, &line);
    std::optional<QPointF> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (const QPointF& point : line.points()) {
        const QPointF offset = chart->mapToPosition(point, &line) - pointer;
        const double distance = std::hypot(offset.x(), offset.y());
        if (distance < best) {
            best = distance;
            nearest = point;
        }
    }
    return best <= kReach ? nearest : std::nullopt;
}

}  // namespace

QString pointTip(const std::string& curve, std::optional<int> quality, QPointF point, CurveMeasure measure) {
    QString text = curveTitle(curve);
    if (quality) text += QStringLiteral(", quality %1").arg(*quality);
    return text + QStringLiteral("\n%1 bpp\n%2: %3")
                      .arg(QString::number(point.x(), 'f', 4), QString::fromStdString(measureLabel(measure)),
                           QString::number(point.y(), 'f', 4));
}

void showPointTips(QLineSeries& line, const std::string& curve, CurveMeasure measure, const QualityAt& qualityAt) {
    QObject::connect(&line, &QLineSeries::hovered, &line, [&line, curve, measure, qualityAt](QPointF at, bool over) {
        const std::optional<QPointF> point = over ? pointNear(line, at) : std::nullopt;
        if (!point) {
            QToolTip::hideText();
            return;
        }
        const std::optional<int> quality = qualityAt ? qualityAt(curve, point->x()) : std::nullopt;
        QToolTip::showText(QCursor::pos(), plainTip(pointTip(curve, quality, *point, measure)));
    });
}

}  // namespace brenlow
