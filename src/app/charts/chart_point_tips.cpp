#include "app/charts/chart_point_tips.h"

#include <QChart>
#include <QCursor>
#include <QEvent>
#include <QGraphicsScene>
#include <QGraphicsView>
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

// A point's tip stays while the pointer rests on the point, however long.
constexpr int kTipLifetime = std::numeric_limits<int>::max();

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

// The chart's scene answers the view's tooltip event, which comes a moment after the pointer stops,
// by hiding any tip none of its items owns: a point's tip is kept from it.
class PointTipKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && QToolTip::isVisible() && QToolTip::text() == shown) return true;
        return QObject::eventFilter(watched, event);
    }

    QString shown;
};

PointTipKeeper& tipKeeperOf(QWidget& viewport) {
    auto* keeper = viewport.findChild<PointTipKeeper*>(QString(), Qt::FindDirectChildrenOnly);
    if (!keeper) {
        keeper = new PointTipKeeper(&viewport);
        viewport.installEventFilter(keeper);
    }
    return *keeper;
}

// The view of the chart under the pointer, or its first.
QGraphicsView* viewOf(const QChart& chart) {
    if (!chart.scene() || chart.scene()->views().isEmpty()) return nullptr;
    for (QGraphicsView* view : chart.scene()->views())
        if (view->viewport()->rect().contains(view->viewport()->mapFromGlobal(QCursor::pos()))) return view;
    return chart.scene()->views().first();
}

// Shows the tip until the pointer leaves the point's reach in the chart's view.
void showTipAt(QLineSeries& line, QPointF point, const QString& tip) {
    QGraphicsView* view = viewOf(*line.chart());
    if (!view) {
        QToolTip::showText(QCursor::pos(), tip);
        return;
    }
    const QPointF inScene = line.chart()->mapToScene(line.chart()->mapToPosition(point, &line));
    const QPoint centre = view->mapFromScene(inScene);
    const int reach = static_cast<int>(std::ceil(kReach));
    const QRect around(centre - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1));
    tipKeeperOf(*view->viewport()).shown = tip;
    QToolTip::showText(QCursor::pos(), tip, view->viewport(), around, kTipLifetime);
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
        showTipAt(line, *point, plainTip(pointTip(curve, quality, *point, measure)));
    });
}

}  // namespace brenlow
