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

#include "app/dataset_window.h"
#include "app/sweep_charts.h"
#include "app/sweep_tables.h"
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
        : charts(makeRateDistortionCharts({"jpeg", "avc"}, {CurveMeasure::SsimLuma},
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
    EXPECT_TRUE(curve(chart("MeasureChart"), "AVC")->isVisible()) << "the other chart is its own";

    // The hidden curve stays hidden when the chart is drawn again on another scale.
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(true);
    psnr = chart("PsnrChart");
    EXPECT_FALSE(curve(psnr, "AVC")->isVisible());
    clickLegend(psnr, "AVC");
    EXPECT_TRUE(curve(psnr, "AVC")->isVisible());
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

}  // namespace
}  // namespace brenlow::testing
