#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QHeaderView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QTableWidget>
#include <QValueAxis>
#include <map>

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFontMetrics>
#include <QPushButton>
#include <QToolTip>

#include "app/charts/sweep_charts.h"
#include "app/windows/dataset_window.h"
#include "app/windows/delta_filter.h"
#include "app/windows/sweep_tables.h"
#include "app/windows/sweep_window.h"
#include "app/windows/table_sorting.h"
#include "brenlow/styles.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

// A click on the header of `column`, as the user gives it.
void clickHeader(QTableWidget& table, int column) {
    QHeaderView* header = table.horizontalHeader();
    const QPointF at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &event);
    }
}

QStringList column(const QTableWidget& table, int index) {
    QStringList cells;
    for (int row = 0; row < table.rowCount(); ++row) cells << table.item(row, index)->text();
    return cells;
}

int columnTitled(const QTableWidget& table, const QString& title) {
    for (int i = 0; i < table.columnCount(); ++i)
        if (table.horizontalHeaderItem(i)->text() == title) return i;
    return -1;
}

SweepPoint point(StillCodec codec, int quality, std::uint32_t codedSize) {
    SweepPoint made;
    made.codec = codec;
    made.curve = codecName(codec);
    made.quality = quality;
    made.figures.codedSize = codedSize;
    return made;
}

class TablesChartsGuiTest : public WorkbenchTest {};

TEST_F(TablesChartsGuiTest, AHeaderClickSortsThePointTableByValueAndASecondTheOtherWay) {
    SweepOutcome outcome;
    outcome.points = {point(StillCodec::Jpeg, 5, 900), point(StillCodec::Jpeg, 100, 12000),
                      point(StillCodec::Jpeg, 40, 3000)};
    std::unique_ptr<QTableWidget> table(makePointTable(outcome));
    table->show();
    const int quality = columnTitled(*table, "Quality");
    ASSERT_GE(quality, 0);
    EXPECT_EQ(column(*table, quality), QStringList({"5", "100", "40"})) << "filled order until a click";
    // By value, not as text: "100" would come before "40".
    clickHeader(*table, quality);
    EXPECT_EQ(column(*table, quality), QStringList({"5", "40", "100"}));
    clickHeader(*table, quality);
    EXPECT_EQ(column(*table, quality), QStringList({"100", "40", "5"}));
}

TEST_F(TablesChartsGuiTest, ASortedPictureTableStillOpensThePointOfTheRowActivated) {
    DataSetOutcome outcome;
    outcome.pictures = {"a.bmp", "b.bmp"};
    outcome.curves = defaultCurves({StillCodec::Jpeg});
    SweepOutcome first;
    first.points = {point(StillCodec::Jpeg, 90, 5000)};
    SweepOutcome second;
    second.points = {point(StillCodec::Jpeg, 10, 700)};
    outcome.outcomes = {{"a.bmp", first}, {"b.bmp", second}};
    outcome.aggregate = aggregatePoints(outcome.outcomes, outcome.curves);
    DataSetWindow window("set", outcome, "jpeg");
    window.show();
    std::string opened;
    int quality = -1;
    window.openPoint = [&](const std::string& picture, const SweepPoint& chosen, const CodecCurve&) {
        opened = picture;
        quality = chosen.quality;
    };
    auto* table = window.findChild<QTableWidget*>("PictureTable");
    ASSERT_NE(table, nullptr);
    table->sortItems(columnTitled(*table, "Quality"));
    ASSERT_EQ(table->item(0, 0)->text(), "b.bmp");
    emit table->cellActivated(0, 2);
    EXPECT_EQ(opened, "b.bmp");
    EXPECT_EQ(quality, 10);
}

class ChartsTest : public WorkbenchTest {
protected:
    ChartsTest()
        : charts(makeRateDistortionCharts({"jpeg", "avc"}, {CurveMeasure("ssim_y")},
                                          [](const std::string& curve, CurveMeasure) {
                                              const double shift = curve == "jpeg" ? 0.0 : 1.0;
                                              return std::vector<RatePoint>{
                                                  {0.0, 20.0 + shift}, {0.25, 30.0 + shift}, {2.0, 40.0 + shift}};
                                          })) {
        charts->show();
    }

    QChart* chart(const char* name) const { return charts->findChild<QChartView*>(name)->chart(); }

    static QLineSeries* curve(QChart* chart, const QString& name) {
        for (QAbstractSeries* series : chart->series())
            if (series->name() == name) return static_cast<QLineSeries*>(series);
        return nullptr;
    }

    static void clickLegend(QChart* chart, const QString& name) {
        for (QLegendMarker* marker : chart->legend()->markers(curve(chart, name))) emit marker->clicked();
    }

    std::unique_ptr<QWidget> charts;
};

TEST_F(ChartsTest, ALegendClickHidesItsCurveAndASecondShowsItAgainWithTheEntryKept) {
    QChart* psnr = chart("PsnrChart");
    clickLegend(psnr, "AVC");
    EXPECT_FALSE(curve(psnr, "AVC")->isVisible());
    EXPECT_TRUE(curve(psnr, "JPEG")->isVisible());
    EXPECT_TRUE(psnr->legend()->markers(curve(psnr, "AVC")).first()->isVisible()) << "the entry stays to click";
    EXPECT_FALSE(curve(chart("MeasureChart"), "AVC")->isVisible()) << "hidden in both charts";

    // The hidden curve stays hidden when the chart is drawn again on another scale.
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(true);
    psnr = chart("PsnrChart");
    EXPECT_FALSE(curve(psnr, "AVC")->isVisible());
    clickLegend(psnr, "AVC");
    EXPECT_TRUE(curve(psnr, "AVC")->isVisible());
}

// Charts of curves far apart: JPEG from 30 to 40, AVC from 10 to 20.
std::unique_ptr<QWidget> chartsApart() {
    return std::unique_ptr<QWidget>(
        makeRateDistortionCharts({"jpeg", "avc"}, {CurveMeasure("ssim_y")}, [](const std::string& curve, CurveMeasure) {
            const double base = curve == "jpeg" ? 30.0 : 10.0;
            return std::vector<RatePoint>{{0.25, base}, {1.0, base + 5.0}, {2.0, base + 10.0}};
        }));
}

QValueAxis& uprightAxis(const QChart& chart) { return *qobject_cast<QValueAxis*>(chart.axes(Qt::Vertical).first()); }

TEST_F(TablesChartsGuiTest, ACurveHiddenInOneLegendIsHiddenInBothChartsWhoseUprightAxesFitTheCurvesLeft) {
    const std::unique_ptr<QWidget> charts = chartsApart();
    charts->show();
    QChart* measure = charts->findChild<QChartView*>("MeasureChart")->chart();
    QChart* psnr = charts->findChild<QChartView*>("PsnrChart")->chart();
    ASSERT_LE(uprightAxis(*psnr).min(), 10.0);
    QLineSeries* avc = static_cast<QLineSeries*>(measure->series().at(1));
    for (QLegendMarker* marker : measure->legend()->markers(avc)) emit marker->clicked();
    for (QChart* chart : {psnr, measure}) {
        EXPECT_FALSE(chart->series().at(1)->isVisible());
        EXPECT_TRUE(chart->series().at(0)->isVisible());
        EXPECT_GT(uprightAxis(*chart).min(), 20.0) << "fitted to JPEG alone";
        EXPECT_GE(uprightAxis(*chart).max(), 40.0);
    }
    // Drawn again on a log scale the curve stays hidden; a click on the other chart's entry shows it in both.
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(true);
    measure = charts->findChild<QChartView*>("MeasureChart")->chart();
    psnr = charts->findChild<QChartView*>("PsnrChart")->chart();
    EXPECT_FALSE(measure->series().at(1)->isVisible());
    for (QLegendMarker* marker : psnr->legend()->markers(psnr->series().at(1))) emit marker->clicked();
    for (QChart* chart : {psnr, measure}) {
        EXPECT_TRUE(chart->series().at(1)->isVisible());
        EXPECT_LE(uprightAxis(*chart).min(), 10.0);
    }
}

// The series of each curve, by its name, in the PSNR chart of the charts of these curves.
std::map<std::string, QLineSeries*> seriesByCurve(QWidget& charts, const std::vector<std::string>& names) {
    QChart* psnr = charts.findChild<QChartView*>("PsnrChart")->chart();
    std::map<std::string, QLineSeries*> byCurve;
    for (std::size_t i = 0; i < names.size(); ++i)
        byCurve[names[i]] = static_cast<QLineSeries*>(psnr->series().at(static_cast<int>(i)));
    return byCurve;
}

TEST_F(TablesChartsGuiTest, ACodecKeepsItsColourDashAndMarkerWhateverTheOrderOfTheCurves) {
    const std::vector<std::string> names{"jpeg", "webp", "avif:speed=8", "mine"};
    const std::vector<std::string> reversed(names.rbegin(), names.rend());
    const CurveSource flat = [](const std::string&, CurveMeasure) {
        return std::vector<RatePoint>{{0.5, 30.0}, {1.0, 35.0}};
    };
    const std::unique_ptr<QWidget> first(makeRateDistortionCharts(names, {CurveMeasure("ssim_y")}, flat));
    const std::unique_ptr<QWidget> second(makeRateDistortionCharts(reversed, {CurveMeasure("ssim_y")}, flat));
    const auto inFirst = seriesByCurve(*first, names);
    const auto inSecond = seriesByCurve(*second, reversed);
    const std::vector<CurveStyle> styles = curveStyles(names);
    QSet<QString> looks;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QLineSeries& one = *inFirst.at(names[i]);
        const QLineSeries& other = *inSecond.at(names[i]);
        EXPECT_EQ(one.pen().color(), other.pen().color()) << names[i];
        EXPECT_EQ(one.pen().color().name(), QString::fromStdString(styles[i].colour)) << names[i];
        EXPECT_EQ(one.pen().style(), other.pen().style()) << names[i];
        EXPECT_EQ(one.pen().dashPattern(), other.pen().dashPattern()) << names[i];
        EXPECT_EQ(one.pen().style() == Qt::SolidLine, styles[i].dash.empty()) << names[i];
        EXPECT_FALSE(one.lightMarker().isNull()) << names[i];
        EXPECT_EQ(one.lightMarker(), other.lightMarker()) << names[i];
        const QImage marker = one.lightMarker();
        looks << QStringLiteral("%1 %2 %3")
                     .arg(one.pen().color().name())
                     .arg(one.pen().dashPattern().size())
                     .arg(qHashBits(marker.constBits(), static_cast<std::size_t>(marker.sizeInBytes())));
    }
    EXPECT_EQ(looks.size(), static_cast<qsizetype>(names.size())) << "every curve looks unlike the others";
}

TEST_F(ChartsTest, TheLogScaleOptionPutsBitsPerPixelOnALogAxisInBothChartsAndLeavesOutZeroRates) {
    for (const char* name : {"PsnrChart", "MeasureChart"})
        EXPECT_NE(qobject_cast<QValueAxis*>(chart(name)->axes(Qt::Horizontal).first()), nullptr) << name;
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(true);
    for (const char* name : {"PsnrChart", "MeasureChart"}) {
        const auto* axis = qobject_cast<QLogValueAxis*>(chart(name)->axes(Qt::Horizontal).first());
        ASSERT_NE(axis, nullptr) << name;
        EXPECT_LT(axis->min(), 0.25);
        EXPECT_GT(axis->max(), 2.0);
        EXPECT_EQ(curve(chart(name), "JPEG")->count(), 2) << "a rate of 0 has no place on a log scale";
    }
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(false);
    EXPECT_EQ(curve(chart("PsnrChart"), "JPEG")->count(), 3);
}

// Curves whose points know the quality that made them: quality 10 at 0.25 bpp and so on.
std::unique_ptr<QWidget> chartsWithQualities(const std::vector<CurveMeasure>& measures) {
    return std::unique_ptr<QWidget>(makeRateDistortionCharts(
        {"jpeg", "avc"}, measures,
        [](const std::string& curve, CurveMeasure) {
            const double shift = curve == "jpeg" ? 0.0 : 1.0;
            return std::vector<RatePoint>{{0.25, 20.0 + shift}, {1.0, 30.0 + shift}, {2.0, 40.0 + shift}};
        },
        [](const std::string&, double rate) -> std::optional<int> { return static_cast<int>(rate * 40); }));
}

TEST_F(TablesChartsGuiTest, HoveringAPointTellsItsCodecQualityRateAndValue) {
    const std::unique_ptr<QWidget> charts = chartsWithQualities({CurveMeasure("ssim_y")});
    charts->show();
    QApplication::processEvents();
    QChart* psnr = charts->findChild<QChartView*>("PsnrChart")->chart();
    QLineSeries* avc = nullptr;
    for (QAbstractSeries* series : psnr->series())
        if (series->name() == "AVC") avc = static_cast<QLineSeries*>(series);
    ASSERT_NE(avc, nullptr);
    emit avc->hovered(QPointF(1.004, 31.02), true);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("AVC, quality 40\n1.0000 bpp\n%1: 31.0000")
                                    .arg(QString::fromStdString(measureLabel(CurveMeasure("psnr")))));
    emit avc->hovered(QPointF(1.5, 35.5), true);
    // The tip fades out in a moment.
    const QDeadlineTimer deadline(3000);
    while (QToolTip::isVisible() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(QToolTip::isVisible()) << "between points nothing is told";
    EXPECT_EQ(pointTip("jpeg", std::nullopt, QPointF(0.5, 0.98), CurveMeasure("ssim_y")),
              QString("JPEG\n0.5000 bpp\n%1: 0.9800").arg(QString::fromStdString(measureLabel(CurveMeasure("ssim_y")))))
        << "a curve without qualities names none";
}

// Turns the event loop for a while, long enough for a tip's own timers to have run.
void turnEventLoop(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST_F(TablesChartsGuiTest, APointsTipStaysWhileThePointerRestsOnItAndGoesWhenItLeaves) {
    const std::unique_ptr<QWidget> charts = chartsWithQualities({CurveMeasure("ssim_y")});
    charts->show();
    QApplication::processEvents();
    auto* view = charts->findChild<QChartView*>("PsnrChart");
    QChart* psnr = view->chart();
    QLineSeries* avc = nullptr;
    for (QAbstractSeries* series : psnr->series())
        if (series->name() == "AVC") avc = static_cast<QLineSeries*>(series);
    ASSERT_NE(avc, nullptr);
    const QPoint onPoint = view->mapFromScene(psnr->mapToScene(psnr->mapToPosition(QPointF(1.0, 31.0), avc)));
    QCursor::setPos(view->viewport()->mapToGlobal(onPoint));
    emit avc->hovered(QPointF(1.0, 31.0), true);
    ASSERT_TRUE(QToolTip::isVisible());
    const QString tip = QToolTip::text();

    // The pointer rests: the view asks its scene for a tip, as it does after a moment's stillness.
    QHelpEvent rest(QEvent::ToolTip, onPoint, view->viewport()->mapToGlobal(onPoint));
    QApplication::sendEvent(view->viewport(), &rest);
    turnEventLoop(800);
    EXPECT_TRUE(QToolTip::isVisible()) << "the pointer is still on the point";
    EXPECT_EQ(QToolTip::text(), tip);

    // Along the line but away from the point the line reports nothing new; the tip goes all the same.
    QMouseEvent away(QEvent::MouseMove, QPointF(onPoint + QPoint(40, 0)), view->viewport()->mapToGlobal(onPoint + QPoint(40, 0)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &away);
    turnEventLoop(800);
    EXPECT_FALSE(QToolTip::isVisible()) << "the pointer left the point";
}

// However long a measure's name, its axis title fits the chart at the smallest size the view allows.
TEST_F(TablesChartsGuiTest, AxisTitlesFitTheChartsAtTheirSmallestSize) {
    const std::unique_ptr<QWidget> charts = chartsWithQualities(curveMeasures());
    charts->show();
    auto* selector = charts->findChild<QComboBox*>("ChartMeasure");
    auto* view = charts->findChild<QChartView*>("MeasureChart");
    for (int index = 0; index < selector->count(); ++index) {
        selector->setCurrentIndex(index);
        view->resize(view->minimumSize());
        QApplication::processEvents();
        const QRectF plot = view->chart()->plotArea();
        for (const QAbstractAxis* axis : view->chart()->axes()) {
            const int title = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
            const double side = axis->orientation() == Qt::Horizontal ? plot.width() : plot.height();
            EXPECT_GE(side, title) << axis->titleText().toStdString();
        }
    }
}

// One chart at a time, the one chosen, as the paper figure of the command line.
TEST_F(TablesChartsGuiTest, ExportImageWritesTheChosenChartAsPdfSvgOrPng) {
    SweepOutcome outcome;
    for (int quality : {20, 50, 80}) {
        SweepPoint made = point(StillCodec::Jpeg, quality, 100 * quality);
        made.measures.bitsPerPixel = quality / 40.0;
        made.measures.picture.psnr = 20 + quality / 5.0;
        outcome.points.push_back(made);
    }
    SweepWindow window("pic.bmp", outcome);
    window.show();
    QApplication::processEvents();
    std::vector<CurveMeasure> offered;
    window.askFigure = [&](const std::vector<CurveMeasure>& measures) {
        offered = measures;
        return std::optional<FigureChoice>(FigureChoice{CurveMeasure("psnr"), {}});
    };
    for (const std::string name : {"charts", "charts.svg", "charts.png"}) {
        window.askImageName = [&] { return QString::fromStdString(dir.file(name)); };
        window.findChild<QPushButton*>("ExportImage")->click();
    }
    EXPECT_FALSE(offered.empty());
    EXPECT_EQ(fileBytes(dir.file("charts.pdf")).rfind("%PDF-", 0), 0u) << "a name without an extension is a PDF";
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("charts.png"))).width(), 1050) << "a column at 300 dpi";
    QFile svg(QString::fromStdString(dir.file("charts.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_TRUE(text.contains("<svg")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("Bits per pixel")) << "the axis titles are text of the drawing";
    EXPECT_EQ(text.count("<g class=\"curve\">"), 1) << "the one curve of the one chart";
}

// The measure filter shows the rows of one measure, and keeps doing so however the table is sorted.
TEST_F(TablesChartsGuiTest, TheDeltaTableShowsTheRowsOfTheMeasureChosen) {
    auto* table = readOnlyTable("DeltaTable", 4, {"Codec", "Measure", "BD-rate, cubic"});
    const QStringList codecs{"AVC", "AVC", "AJC", "AJC"};
    const QStringList measures{"PSNR", "SSIM", "PSNR", "SSIM"};
    for (int row = 0; row < 4; ++row) {
        table->setItem(row, 0, new QTableWidgetItem(codecs[row]));
        table->setItem(row, 1, new QTableWidgetItem(measures[row]));
        table->setItem(row, 2, numberItem(QString::number(row)));
    }
    sortByHeaderClick(*table);
    const std::unique_ptr<QWidget> part(withMeasureFilter(table));
    part->show();
    auto* filter = part->findChild<QComboBox*>("DeltaMeasureFilter");
    ASSERT_NE(filter, nullptr);
    ASSERT_EQ(filter->count(), 3);
    const auto shownMeasures = [table] {
        QStringList shown;
        for (int row = 0; row < table->rowCount(); ++row)
            if (!table->isRowHidden(row)) shown << table->item(row, 1)->text();
        return shown;
    };
    filter->setCurrentIndex(filter->findText("SSIM"));
    EXPECT_EQ(shownMeasures(), QStringList({"SSIM", "SSIM"}));
    clickHeader(*table, 0);
    EXPECT_EQ(shownMeasures(), QStringList({"SSIM", "SSIM"})) << "after sorting by codec";
    filter->setCurrentIndex(0);
    EXPECT_EQ(shownMeasures().size(), 4);
}

}  // namespace
}  // namespace brenlow::testing
