#include "app/sweep_charts.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
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

// A colour of its own for each codec, the same in both charts: the charts' theme has only five.
QColor codecColour(StillCodec codec) {
    switch (codec) {
        case StillCodec::Jpeg:
            return QColor(0x1f, 0x5f, 0xbf);
        case StillCodec::Avc:
            return QColor(0xe0, 0x7b, 0x00);
        case StillCodec::Ajc:
            return QColor(0x2e, 0x9e, 0x3e);
        case StillCodec::Webp:
            return QColor(0xc6, 0x28, 0x28);
        case StillCodec::Avif:
            return QColor(0x7b, 0x3f, 0xb5);
        case StillCodec::Jxl:
            return QColor(0x00, 0x89, 0x7b);
        case StillCodec::Jp2:
            break;
    }
    return QColor(0x8d, 0x6e, 0x63);
}

// One curve: the line and its points, named after the codec; infinite values are left out.
void addCurve(QChart& chart, StillCodec codec, const std::vector<RatePoint>& curve) {
    auto* line = new QLineSeries;
    line->setName(codecTitle(codec));
    QPen pen(codecColour(codec));
    pen.setWidth(2);
    line->setPen(pen);
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

QChart* chartOf(const std::vector<StillCodec>& codecs, const CurveSource& curves, CurveMeasure measure) {
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("%1 against bits per pixel").arg(QString::fromStdString(measureLabel(measure))));
    for (StillCodec codec : codecs) addCurve(*chart, codec, curves(codec, measure));
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

// The right-hand chart, which follows the selector.
QChartView* chosenMeasureChart(const std::vector<StillCodec>& codecs, const CurveSource& curves,
                               const QComboBox* selector) {
    const auto chosen = [selector] {
        return selector->count() > 0 ? static_cast<CurveMeasure>(selector->currentData().toInt()) : CurveMeasure::SsimLuma;
    };
    QChartView* view = chartView(chartOf(codecs, curves, chosen()), "MeasureChart");
    QObject::connect(selector, &QComboBox::currentIndexChanged, view,
                     [view, chosen, codecs, curves] { showChart(*view, chartOf(codecs, curves, chosen())); });
    return view;
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
    // The outcome outlives the charts: the sweep window holds both.
    return makeRateDistortionCharts(codecsOf(outcome), measuresHeld(outcome),
                                    [&outcome](StillCodec codec, CurveMeasure measure) {
                                        return curveOf(outcome, codec, measure);
                                    });
}

QWidget* makeRateDistortionCharts(const std::vector<StillCodec>& codecs, const std::vector<CurveMeasure>& measures,
                                  const CurveSource& curves) {
    auto* charts = new QWidget;
    charts->setObjectName(QStringLiteral("RateDistortionCharts"));
    QComboBox* selector = measureSelector(measures);
    auto* label = new QLabel(QStringLiteral("&Right-hand chart:"));
    label->setBuddy(selector);
    auto* choice = new QHBoxLayout;
    choice->addWidget(label);
    choice->addWidget(selector);
    choice->addStretch(1);
    auto* pair = new QHBoxLayout;
    pair->addWidget(chartView(chartOf(codecs, curves, CurveMeasure::Psnr), "PsnrChart"), 1);
    pair->addWidget(chosenMeasureChart(codecs, curves, selector), 1);
    auto* layout = new QVBoxLayout(charts);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(choice);
    layout->addLayout(pair, 1);
    return charts;
}

}  // namespace brenlow
