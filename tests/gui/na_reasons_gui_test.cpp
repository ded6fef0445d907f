#include <QApplication>
#include <QLabel>
#include <QTableWidget>
#include <cmath>
#include <limits>

#include "app/docks/measurements_dock.h"
#include "app/windows/sweep_tables.h"
#include "brenlow/measures.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int columnNamed(const QTableWidget& table, const QString& header) {
    for (int column = 0; column < table.columnCount(); ++column)
        if (table.horizontalHeaderItem(column)->text() == header) return column;
    return -1;
}

SweepPoint unmeasuredPoint(double megapixels) {
    SweepPoint point;
    point.curve = "jpeg";
    point.quality = 50;
    point.megapixels = megapixels;
    point.measures.picture.msSsimLuma = kNaN;
    point.measures.picture.msSsimLumaDb = kNaN;
    point.measures.picture.butteraugliMax = kNaN;
    point.measures.picture.butteraugli3Norm = kNaN;
    return point;
}

using NaReasonsGuiTest = WorkbenchTest;

TEST_F(NaReasonsGuiTest, APointTablesNaSaysWhyTheMeasureIsMissing) {
    SweepOutcome outcome;
    outcome.points = {unmeasuredPoint(12.0), unmeasuredPoint(96.0 * 80 / 1e6)};
    const std::unique_ptr<QTableWidget> table(makePointTable(outcome));
    const int butteraugli = columnNamed(*table, "Butteraugli max");
    const int msSsim = columnNamed(*table, "MS-SSIM luma");
    ASSERT_GE(butteraugli, 0);
    ASSERT_GE(msSsim, 0);
    const QString large = table->item(0, butteraugli)->toolTip();
    const QString small = table->item(1, msSsim)->toolTip();
    EXPECT_EQ(table->item(0, butteraugli)->text(), "n/a");
    if (butteraugliAvailable()) {
        EXPECT_TRUE(large.contains("at most 4.2 megapixels") && large.contains("12.0")) << large.toStdString();
    } else {
        EXPECT_TRUE(large.contains("This build has no Butteraugli")) << large.toStdString();
    }
    EXPECT_TRUE(small.contains("at least 176 x 176") && small.contains("smaller")) << small.toStdString();
    EXPECT_TRUE(table->item(0, columnNamed(*table, "PSNR (RGB)"))->toolTip().isEmpty()) << "a value needs no reason";
}

TEST_F(NaReasonsGuiTest, TheMeasurementsPanelSaysWhyMsSsimIsMissingOnASmallCrop) {
    openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(160, 160, 96, 80), "crop.bmp");
    form->JPEG1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_TRUE(waitForMeasures());
    EXPECT_EQ(form->Measurements->valueText("ms_ssim_y"), "n/a");
    const QString tip = form->Measurements->findChild<QLabel*>("ms_ssim_y")->toolTip();
    EXPECT_TRUE(tip.contains("at least 176 x 176") && tip.contains("96 x 80")) << tip.toStdString();
    EXPECT_TRUE(form->Measurements->findChild<QLabel*>("psnr")->toolTip().isEmpty());
}

TEST_F(NaReasonsGuiTest, ADataSetPointsWindowShowsItsRunInThePanel) {
    const std::string picture = openPicture(loadBitmapFile(samplePath("astronaut.bmp")).copy(0, 0, 64, 64), "set.bmp");
    SweepPoint point;
    point.curve = "jpeg";
    point.quality = 50;
    point.figures.codedSize = 1234;
    const CodecCurve curve = curveNamed("jpeg");
    form->openDataSetPoint(picture, point, curve);
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QString run = form->Measurements->valueText("run");
    EXPECT_TRUE(run.contains("JPEG, quality 50") && run.contains("data set")) << run.toStdString();
    EXPECT_FALSE(form->Measurements->findChild<QLabel*>("MeasurementsHeading")->text().contains("no run yet"));
    EXPECT_EQ(form->Measurements->valueText("coded_size"), "1234 bytes");
    EXPECT_NE(form->Measurements->valueText("psnr"), "");
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "CompareWindow") window->close();
    settleClosedWindows();
}

}  // namespace
}  // namespace brenlow::testing
