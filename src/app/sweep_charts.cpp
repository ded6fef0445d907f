#include "app/sweep_charts.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "research/sweep_report.h"

namespace brenlow {
namespace {

std::vector<StillCodec> codecsOf(const SweepOutcome& outcome) {
    std::vector<StillCodec> codecs;
    for (const SweepPoint& point : outcome.points)
        if (codecs.empty() || codecs.back() != point.codec) codecs.push_back(point.codec);
    return codecs;
}

// One curve: the line and its points, named after the codec; infinite values are left out.
void addCurve(QChart& chart, const QString& name, const std::vector<RatePoint>& curve) {
    auto* line = new QLineSeries;
    line->setName(name);
    line->setPointsVisible(true);
    for (const RatePoint& point : curve)
        if (std::isfinite(point.quality)) line->append(point.rate, point.quality);
    chart.addSeries(line);
}

// Axes that hold every curve, not only the first one attached.
void fitAxes(const QChart& chart, QValueAxis& x, QValueAxis& y) {
    double right = 0.0;
    double bottom = std::numeric_limits<double>::infinity();
    double top = -bottom;
    for (QAbstractSeries* series : chart.series()) {
        for (const QPointF& point : static_cast<QLineSeries*>(series)->points()) {
            right = std::max(right, point.x());
            bottom = std::min(bottom, point.y());
            top = std::max(top, point.y());
        }
    }
    if (bottom > top) return;
    x.setRange(0.0, right);
    y.setRange(bottom, top);
    x.applyNiceNumbers();
    y.applyNiceNumbers();
}

QChartView* chartOf(const SweepOutcome& outcome, CurveMeasure measure, const QString& title, const QString& yTitle) {
    auto* chart = new QChart;
    chart->setTitle(title);
    for (StillCodec codec : codecsOf(outcome))
        addCurve(*chart, QString::fromLatin1(codecName(codec)).toUpper(), curveOf(outcome, codec, measure));
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("bits per pixel"));
    auto* y = new QValueAxis;
    y->setTitleText(yTitle);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) series->attachAxis(x), series->attachAxis(y);
    fitAxes(*chart, *x, *y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(420, 320);
    return view;
}

}  // namespace

QWidget* makeRateDistortionCharts(const SweepOutcome& outcome) {
    auto* charts = new QWidget;
    charts->setObjectName(QStringLiteral("RateDistortionCharts"));
    auto* layout = new QHBoxLayout(charts);
    layout->setContentsMargins(0, 0, 0, 0);
    QChartView* psnr = chartOf(outcome, CurveMeasure::Psnr, QStringLiteral("PSNR against bits per pixel"),
                               QStringLiteral("PSNR (dB)"));
    psnr->setObjectName(QStringLiteral("PsnrChart"));
    QChartView* ssim = chartOf(outcome, CurveMeasure::SsimLuma, QStringLiteral("SSIM of the luma against bits per pixel"),
                               QStringLiteral("SSIM"));
    ssim->setObjectName(QStringLiteral("SsimChart"));
    layout->addWidget(psnr);
    layout->addWidget(ssim);
    return charts;
}

}  // namespace brenlow
