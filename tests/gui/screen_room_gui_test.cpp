#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QTableView>
#include <cmath>
#include <memory>

#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "app/windows/sweep_window.h"
#include "support/test_support.h"

// The windows of the workbench on the screen the tests run on: the suite runs again on screens of
// 1366 x 768 and of 1920 x 1080 at twice the scale (see this folder's CMakeLists.txt).

namespace brenlow::testing {
namespace {

// Three codecs at five qualities, every measure taken: the longest axis titles and widest tables.
SweepOutcome fullSweep() {
    SweepOutcome outcome;
    const StillCodec codecs[] = {StillCodec::Jpeg, StillCodec::Avc, StillCodec::Ajc};
    for (int c = 0; c < 3; ++c) {
        for (int q = 0; q < 5; ++q) {
            SweepPoint point;
            point.codec = codecs[c];
            point.curve = codecName(codecs[c]);
            point.quality = 20 + 15 * q;
            point.measures.bitsPerPixel = 0.2 * (q + 1) * (1.0 + 0.1 * c);
            PictureMeasures& m = point.measures.picture;
            m.psnrRed = m.psnrGreen = m.psnrBlue = m.psnr = m.psnrLuma = 28.0 + 2.0 * q + c;
            m.ssimLuma = 0.8 + 0.03 * q;
            m.msSsimLuma = 0.85 + 0.02 * q;
            m.msSsimLumaDb = -10.0 * std::log10(1.0 - m.msSsimLuma);
            m.ciede2000 = 3.0 - 0.4 * q;
            m.butteraugliMax = 6.0 - q;
            m.butteraugli3Norm = 3.0 - 0.5 * q;
            m.ssimulacra2 = 40.0 + 10.0 * q;
            outcome.points.push_back(point);
        }
    }
    return outcome;
}

QSize freeRoom(const QWidget& window) { return window.screen()->availableGeometry().size(); }

// Shown as the user would, maximised or at the size it opens at, and laid out.
void showAndSettle(QWidget& window, bool maximised) {
    if (maximised) window.showMaximized();
    else window.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// A control is reachable when it lies inside its window, or inside a scroll area that is.
bool reachable(const QWidget& control, const QWidget& window) {
    for (const QWidget* inside = control.parentWidget(); inside && inside != &window; inside = inside->parentWidget())
        if (const auto* scroller = qobject_cast<const QScrollArea*>(inside); scroller && scroller->widget()->isAncestorOf(&control))
            return reachable(*scroller, window);
    const QRect where(control.mapTo(&window, QPoint(0, 0)), control.size());
    return window.rect().contains(where);
}

// Both the size it opens at and its least size fit.
void expectFitsWithEveryControlReachable(QWidget& window, const char* what) {
    const QSize room = freeRoom(window);
    SCOPED_TRACE(std::string(what) + " on a free area of " + std::to_string(room.width()) + " x " +
                 std::to_string(room.height()) + " at scale " + std::to_string(window.devicePixelRatioF()));
    EXPECT_LE(window.minimumSizeHint().width(), room.width());
    EXPECT_LE(window.minimumSizeHint().height(), room.height());
    EXPECT_LE(window.frameGeometry().width(), room.width());
    EXPECT_LE(window.frameGeometry().height(), room.height());
    int controls = 0;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const bool interactive = qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
                                 qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QSlider*>(control) ||
                                 qobject_cast<QTableView*>(control);
        if (!interactive || !control->isVisibleTo(&window) || control->objectName().startsWith("qt_")) continue;
        ++controls;
        EXPECT_TRUE(reachable(*control, window))
            << control->metaObject()->className() << " \"" << control->objectName().toStdString() << "\"";
    }
    EXPECT_GT(controls, 3);
}

TEST(ScreenRoomTest, TheSweepWindowFitsTheFreeScreenAreaWithEveryControlReachable) {
    for (const bool maximised : {false, true}) {
        SweepWindow window("astronaut.bmp", fullSweep(), "jpeg");
        showAndSettle(window, maximised);
        expectFitsWithEveryControlReachable(window, maximised ? "the sweep window maximised" : "the sweep window");
        const auto* csv = window.findChild<QAbstractButton*>("ExportCsv");
        ASSERT_NE(csv, nullptr);
        EXPECT_TRUE(window.rect().contains(QRect(csv->mapTo(&window, QPoint(0, 0)), csv->size())))
            << "the export buttons stay in sight, whatever scrolls";
    }
}

TEST(ScreenRoomTest, TheSweepWindowsExportsAreInItsMenuAsWell) {
    SweepWindow window("astronaut.bmp", fullSweep(), "jpeg");
    int csvAsked = 0;
    window.askCsvName = [&csvAsked] { return ++csvAsked, QString(); };
    int figureAsked = 0;
    window.askFigure = [&figureAsked](const std::vector<CurveMeasure>&) -> std::optional<FigureChoice> {
        return ++figureAsked, std::nullopt;
    };
    const auto* bar = window.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList entries;
    for (QAction* menu : bar->actions())
        for (QAction* entry : menu->menu()->actions()) {
            entries << entry->text();
            entry->trigger();
        }
    EXPECT_EQ(entries, QStringList({"Export &CSV...", "Export &Image..."}));
    EXPECT_EQ(csvAsked, 1);
    EXPECT_EQ(figureAsked, 1);
}

TEST(ScreenRoomTest, CompareWithSourceFitsTheFreeScreenAreaWithEveryControlReachable) {
    const QImage picture = patternBitmap(1920, 1280);
    CompareWindow window("astronaut.bmp", picture, "astronaut~.bmp", picture);
    PictureMeasures measures;
    measures.psnr = measures.psnrLuma = 31.25;
    measures.ssimLuma = measures.msSsimLuma = 0.91234;
    measures.msSsimLumaDb = 10.5;
    measures.ciede2000 = 1.25;
    measures.butteraugliMax = 2.1;
    measures.butteraugli3Norm = 0.9;
    measures.ssimulacra2 = 80.5;
    window.showMeasures(measures);
    window.showPixel(QPoint(1919, 1279));
    showAndSettle(window, false);
    expectFitsWithEveryControlReachable(window, "Compare with Source");
}

TEST(ScreenRoomTest, TheDataSetWindowFitsTheFreeScreenArea) {
    DataSetWindow window("set", DataSetOutcome{}, "jpeg");
    showAndSettle(window, true);
    expectFitsWithEveryControlReachable(window, "the data-set window maximised");
}

}  // namespace
}  // namespace brenlow::testing
