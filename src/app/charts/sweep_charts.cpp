#include "app/charts/sweep_charts.h"

#include <QChart>
#include <QCheckBox>
#include <QChartView>
#include <QTextDocumentFragment>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QFontMetrics>
#include <QPen>
#include <QSet>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

#include "app/charts/chart_legend.h"
#include "app/charts/chart_point_tips.h"
#include "app/charts/curve_markers.h"
#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

// What a chart puts beside its plot area: across, the upright axis with its labels and title and
// the margins; down, the chart's title, the legend, the rate axis's labels and title, the margins.
constexpr int kAroundThePlotAcross = 160;
constexpr int kAroundThePlotDown = 190;

// Markers a little wider than the line, so that shapes are told apart at a glance.
constexpr int kMarkerSize = 9;
constexpr int kLineWidth = 2;

// One curve: the line and its points, named after the codec, in the curve's style wherever it is
// drawn; undefined and infinite values are left out (Qt takes none), and on a log scale so are rates of zero.
void addCurve(QChart& chart, const std::string& name, const CurveStyle& style, const std::vector<RatePoint>& curve,
              bool logRate, CurveMeasure measure, const QualityAt& qualityAt) {
    auto* line = new QLineSeries;
    line->setName(chartText(curveTitle(name)));
    line->setPen(curvePen(style, kLineWidth));
    line->setMarkerSize(kMarkerSize);
    line->setLightMarker(curveMarkerImage(style.marker, line->pen().color(), kMarkerSize));
    line->setPointsVisible(true);
    for (const RatePoint& point : curve)
        if (std::isfinite(point.rate) && std::isfinite(point.quality) && (!logRate || point.rate > 0.0))
            line->append(point.rate, point.quality);
    chart.addSeries(line);
    showPointTips(*line, name, measure, qualityAt);
}

// The range of values from `low` to `high`, widened about them where they are one value: Qt's nice
// numbers make NaN of a range of nothing (a data set where one point alone has a finite mean).
std::pair<double, double> spanOf(double low, double high) {
    if (high > low) return {low, high};
    const double half = low == 0.0 ? 1.0 : std::abs(low) / 10.0;
    return {low - half, high + half};
}

// Axes that hold every curve shown, not only the first one attached.
void fitAxes(const QChart& chart, QAbstractAxis& x, QValueAxis& y) {
    double left = std::numeric_limits<double>::infinity();
    double right = 0.0;
    double bottom = std::numeric_limits<double>::infinity();
    double top = -bottom;
    for (QAbstractSeries* series : chart.series()) {
        if (!series->isVisible()) continue;
        for (const QPointF& point : static_cast<QLineSeries*>(series)->points()) {
            left = std::min(left, point.x());
            right = std::max(right, point.x());
            bottom = std::min(bottom, point.y());
            top = std::max(top, point.y());
        }
    }
    if (bottom > top) return;
    if (auto* linear = qobject_cast<QValueAxis*>(&x)) {
        linear->setRange(0.0, right > 0.0 ? right : 1.0);
        linear->applyNiceNumbers();
    } else {
        x.setRange(left / 1.25, right * 1.25);  // a margin on a log scale is a factor
    }
    const auto [low, high] = spanOf(bottom, top);
    y.setRange(low, high);
    y.applyNiceNumbers();
}

QString axisTitle(CurveMeasure measure) {
    const QString label = QString::fromStdString(measureLabel(measure));
    return higherIsBetter(measure) ? label : label + QStringLiteral(", lower is better");
}

QAbstractAxis* rateAxis(bool logRate) {
    if (!logRate) {
        auto* x = new QValueAxis;
        x->setTitleText(QStringLiteral("bits per pixel"));
        return x;
    }
    auto* x = new QLogValueAxis;
    x->setBase(2.0);
    x->setLabelFormat(QStringLiteral("%.3g"));
    x->setMinorTickCount(-1);
    x->setTitleText(QStringLiteral("bits per pixel (log scale)"));
    return x;
}

// What both charts of a pair share.
struct ChartOptions {
    bool logRate = false;
    QSet<QString> hidden;  // the curves the user hid by their legend entries
    QualityAt qualityAt;
    std::function<void()> hiddenChanged;
};

// Shows the curves not hidden, and fits the axes to them.
void showCurvesNotHidden(QChart& chart, const QSet<QString>& hidden) {
    for (QAbstractSeries* series : chart.series()) showCurve(chart, *series, !hidden.contains(series->name()));
    const QList<QAbstractAxis*> across = chart.axes(Qt::Horizontal);
    const QList<QAbstractAxis*> upright = chart.axes(Qt::Vertical);
    if (across.isEmpty() || upright.isEmpty()) return;
    if (auto* y = qobject_cast<QValueAxis*>(upright.first())) fitAxes(chart, *across.first(), *y);
}

QChart* chartOf(const std::vector<std::string>& names, const CurveSource& curves, CurveMeasure measure,
                const std::shared_ptr<ChartOptions>& options) {
    auto* chart = new QChart;
    const QString measured = QString::fromStdString(measureLabel(measure));
    chart->setTitle(chartText(QStringLiteral("%1 against bits per pixel").arg(measured)));
    const std::vector<CurveStyle> styles = curveStyles(names);
    for (std::size_t i = 0; i < names.size(); ++i)
        addCurve(*chart, names[i], styles[i], curves(names[i], measure), options->logRate, measure, options->qualityAt);
    QAbstractAxis* x = rateAxis(options->logRate);
    auto* y = new QValueAxis;
    y->setTitleText(chartText(axisTitle(measure)));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) series->attachAxis(x), series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    letLegendHideCurves(*chart, [options](const QString& name, bool shown) {
        if (shown) options->hidden.remove(name);
        else options->hidden.insert(name);
        if (options->hiddenChanged) options->hiddenChanged();
    });
    showCurvesNotHidden(*chart, options->hidden);
    return chart;
}

// The chart leaves the plot area what remains of the view, and shortens an axis title longer than
// its side: the view is kept large enough for both titles whole, the upright one included.
void keepAxisTitlesWhole(QChartView& view) {
    int width = 420;
    int height = 320;
    for (const QAbstractAxis* axis : view.chart()->axes()) {
        const int title = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
        if (axis->orientation() == Qt::Horizontal) width = std::max(width, title + kAroundThePlotAcross);
        else height = std::max(height, title + kAroundThePlotDown);
    }
    view.setMinimumSize(width, height);
}

// A screen reader reads a chart by its title, which the chart holds as markup.
void nameByTitle(QChartView& view) {
    const QString title = QTextDocumentFragment::fromHtml(view.chart()->title()).toPlainText();
    view.setAccessibleName(title);
    view.viewport()->setAccessibleName(title);  // the part that takes the focus
}

QChartView* chartView(QChart* chart, const char* name) {
    auto* view = new QChartView(chart);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    keepAxisTitlesWhole(*view);
    nameByTitle(*view);
    return view;
}

// The view takes the new chart but leaves the old one to its caller.
void showChart(QChartView& view, QChart* chart) {
    QChart* old = view.chart();
    view.setChart(chart);
    delete old;
    keepAxisTitlesWhole(view);
    nameByTitle(view);
}

QComboBox* measureSelector(const std::vector<CurveMeasure>& measures) {
    auto* selector = new QComboBox;
    selector->setObjectName(QStringLiteral("ChartMeasure"));
    for (CurveMeasure measure : measures)
        selector->addItem(QString::fromStdString(measureLabel(measure)), QString::fromLatin1(measureKey(measure)));
    const bool msSsim = std::find(measures.begin(), measures.end(), CurveMeasure("ms_ssim_y_db")) != measures.end();
    const int start = selector->findData(QString::fromLatin1(msSsim ? "ms_ssim_y_db" : "ssim_y_db"));
    selector->setCurrentIndex(std::max(start, 0));
    return selector;
}

QCheckBox* logRateBox() {
    auto* box = new QCheckBox(QStringLiteral("&Log scale for bits per pixel"));
    box->setObjectName(QStringLiteral("ChartLogRate"));
    return box;
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
    return makeRateDistortionCharts(
        curveNamesOf(outcome), measuresHeld(outcome),
        [&outcome](const std::string& curve, CurveMeasure measure) { return curveOf(outcome, curve, measure); },
        [&outcome](const std::string& curve, double rate) -> std::optional<int> {
            for (const SweepPoint& point : outcome.points)
                if (point.curve == curve && point.measures.bitsPerPixel == rate) return point.quality;
            return std::nullopt;
        });
}

std::vector<std::string> curveNames(const std::vector<CodecCurve>& curves) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : curves) names.push_back(curve.name);
    return names;
}

QWidget* makeRateDistortionCharts(const std::vector<std::string>& codecs, const std::vector<CurveMeasure>& measures,
                                  const CurveSource& curves, const QualityAt& qualityAt) {
    auto* charts = new QWidget;
    charts->setObjectName(QStringLiteral("RateDistortionCharts"));
    QComboBox* selector = measureSelector(measures);
    QCheckBox* logRate = logRateBox();
    auto* label = new QLabel(QStringLiteral("&Right-hand chart:"));
    label->setBuddy(selector);
    auto* choice = new QHBoxLayout;
    choice->addWidget(label);
    choice->addWidget(selector);
    choice->addSpacing(16);
    choice->addWidget(logRate);
    choice->addStretch(1);

    const auto options = std::make_shared<ChartOptions>();
    options->qualityAt = qualityAt;
    const auto chosen = [selector] {
        return selector->count() > 0 ? CurveMeasure(selector->currentData().toString().toStdString()) : CurveMeasure("ssim_y");
    };
    QChartView* psnr = chartView(chartOf(codecs, curves, CurveMeasure("psnr"), options), "PsnrChart");
    QChartView* chosenChart = chartView(chartOf(codecs, curves, chosen(), options), "MeasureChart");
    // A curve hidden in one chart is hidden in both, as the legend of either shows it.
    options->hiddenChanged = [psnr, chosenChart, weak = std::weak_ptr<ChartOptions>(options)] {
        const std::shared_ptr<ChartOptions> shared = weak.lock();
        if (!shared) return;
        showCurvesNotHidden(*psnr->chart(), shared->hidden);
        showCurvesNotHidden(*chosenChart->chart(), shared->hidden);
    };
    QObject::connect(selector, &QComboBox::currentIndexChanged, chosenChart, [=] {
        showChart(*chosenChart, chartOf(codecs, curves, chosen(), options));
    });
    QObject::connect(logRate, &QCheckBox::toggled, chosenChart, [=](bool on) {
        options->logRate = on;
        showChart(*psnr, chartOf(codecs, curves, CurveMeasure("psnr"), options));
        showChart(*chosenChart, chartOf(codecs, curves, chosen(), options));
    });
    auto* pair = new QWidget;
    pair->setObjectName(QStringLiteral("ChartPair"));
    auto* pairLayout = new QHBoxLayout(pair);
    pairLayout->setContentsMargins(0, 0, 0, 0);
    pairLayout->addWidget(psnr, 1);
    pairLayout->addWidget(chosenChart, 1);
    auto* layout = new QVBoxLayout(charts);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(choice);
    layout->addWidget(pair, 1);
    return charts;
}

}  // namespace brenlow
