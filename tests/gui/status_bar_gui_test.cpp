#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include "app/jobs/dataset_run_panel.h"
#include "app/shell/eliding_status_bar.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

using StatusBarTest = WorkbenchTest;

// A report line of the sample's shape, whose last figure read "SNR_B=1" where a run's progress cut it off.
TEST_F(StatusBarTest, AReportBesideADataSetRunEndsInAnEllipsisNotACutFigureAndHoverShowsItWhole) {
    const QString line = QStringLiteral(
        "Ratio: 12.345; File size: 12345; Original size: 123456 SNR_R=1234.567; SNR_G=1234.567; SNR_B=123.456;");
    form->resize(1280, 700);
    auto* bar = qobject_cast<ElidingStatusBar*>(form->statusBar());
    ASSERT_NE(bar, nullptr);
    bar->showMessage(line);
    QApplication::processEvents();
    EXPECT_EQ(bar->shownMessage(), line) << "whole while nothing runs";

    form->DataSetProgress1->start(6000, QStringLiteral("Coding crop0012.bmp with JPEG; about 3 minutes left"));
    QApplication::processEvents();
    const QString shown = bar->shownMessage();
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(line.startsWith(shown.chopped(1)));
    EXPECT_LT(bar->fontMetrics().horizontalAdvance(shown), form->DataSetProgress1->x()) << "clear of the progress";
    EXPECT_EQ(bar->currentMessage(), line);

    const QPoint inMessage(10, bar->height() / 2);
    QHelpEvent hover(QEvent::ToolTip, inMessage, bar->mapToGlobal(inMessage));
    QApplication::sendEvent(bar, &hover);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), line);
    QToolTip::hideText();
    EXPECT_EQ(bar->currentMessage(), line) << "hovering shows the message, not changes it";
}

}  // namespace
}  // namespace brenlow::testing
