#include "app/sweep_charts.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/codec_titles.h"

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

QString axisTitle(CurveMeasure measure) {
    const QString label = QString::fromStdString(measureLabel(measure));
    return higherIsBetter(measure) ? label : label + QStringLiteral(", lower is better");
}

QChart* chartOf(const SweepOutcome& outcome, CurveMeasure measure) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("%1 against bits per pixel").arg(QString::fromStdString(measureLabel(measure))));
    for (StillCodec codec : codecsOf(outcome))
        addCurve(*chart, codecTitle(codec), curveOf(outcome, codec, measure));
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("bits per pixel"));
    auto* y = new QValueAxis;
    y->setTitleText(axisTitle(measure));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) series->attachAxis(x), series->attachAxis(y);
    fitAxes(*chart, *x, *y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QChartView* chartView(QChart* chart, const char* name) {
    auto* view = new QChartView(chart);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(420, 320);
    return view;
}

// The view takes the new chart but leaves the old one to its caller.
void showChart(QChartView& view, QChart* chart) {
    QChart* old = view.chart();
    view.setChart(chart);
    delete old;
}

QComboBox* measureSelector(const std::vector<CurveMeasure>& measures) {
    auto* selector = new QComboBox;
    selector->setObjectName(QStringLiteral("ChartMeasure"));
    for (CurveMeasure measure : measures)
        selector->addItem(QString::fromStdString(measureLabel(measure)), static_cast<int>(measure));
    const bool msSsim = std::find(measures.begin(), measures.end(), CurveMeasure::MsSsimLumaDb) != measures.end();
    const int start = selector->findData(static_cast<int>(msSsim ? CurveMeasure::MsSsimLumaDb : CurveMeasure::SsimLumaDb));
    selector->setCurrentIndex(std::max(start, 0));
    return selector;
}

// The right-hand chart with its selector above it.
QWidget* chosenMeasureChart(const SweepOutcome& outcome) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    QComboBox* selector = measureSelector(measuresHeld(outcome));
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Measure:"));
    label->setBuddy(selector);
    row->addWidget(label);
    row->addWidget(selector, 1);
    layout->addLayout(row);
    const auto chosen = [selector] {
        return selector->count() > 0 ? static_cast<CurveMeasure>(selector->currentData().toInt()) : CurveMeasure::SsimLuma;
    };
    QChartView* view = chartView(chartOf(outcome, chosen()), "MeasureChart");
    layout->addWidget(view, 1);
    // The outcome outlives the charts: the sweep window holds both.
    QObject::connect(selector, &QComboBox::currentIndexChanged, view,
                     [view, chosen, &outcome] { showChart(*view, chartOf(outcome, chosen())); });
    return panel;
}

}  // namespace

std::vector<CurveMeasure> measuresHeld(const SweepOutcome& outcome) {
    std::vector<CurveMeasure> held;
    for (CurveMeasure measure : curveMeasures()) {
        const bool any = std::any_of(outcome.points.begin(), outcome.points.end(),
                                     [measure](const SweepPoint& point) { return !std::isnan(measureOf(point, measure)); });
        if (any) held.push_back(measure);
    }
    return held;
}

QWidget* makeRateDistortionCharts(const SweepOutcome& outcome) {
    auto* charts = new QWidget;
    charts->setObjectName(QStringLiteral("RateDistortionCharts"));
    auto* layout = new QHBoxLayout(charts);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chartView(chartOf(outcome, CurveMeasure::Psnr), "PsnrChart"), 1);
    layout->addWidget(chosenMeasureChart(outcome), 1);
    return charts;
}

}  // namespace brenlow
