#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>

#include "app/shell/status_texts.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

using StatusAndZoomTest = WorkbenchTest;

TEST_F(StatusAndZoomTest, TheStatusBarKeepsZeroByZeroAndShowsTheActivePicturesSizeBesideItsZoom) {
    EXPECT_EQ(form->PictureSizeText->text(), "");
    openPicture(patternBitmap(40, 30), "first.bmp");
    TMDIChild* first = lastDocument();
    EXPECT_EQ(form->PictureSizeText->text(), "40 x 30 pixels");
    openPicture(patternBitmap(6, 4), "second.bmp");
    EXPECT_EQ(form->PictureSizeText->text(), "6 x 4 pixels");
    form->ClientArea->setActiveSubWindow(first);
    EXPECT_EQ(form->PictureSizeText->text(), "40 x 30 pixels");
    first->showPicture(patternBitmap(8, 12), std::nullopt);
    EXPECT_EQ(form->PictureSizeText->text(), "8 x 12 pixels") << "a new picture in the same window";
    EXPECT_EQ(form->StatusText->text(), "0 X 0");
    EXPECT_TRUE(form->statusBar()->isAncestorOf(form->PictureSizeText));
    EXPECT_TRUE(form->PictureSizeText->isVisible());
    form->ClientArea->closeAllSubWindows();
    settleClosedWindows();
    EXPECT_EQ(form->PictureSizeText->text(), "");
}

// On a scaled screen a picture pixel at 100 % covers several screen pixels; the zoom text says so.
TEST_F(StatusAndZoomTest, ScreenPixelsShowEachPicturePixelAsOneScreenPixelAndTheZoomSaysWhichIsShown) {
    openPicture(patternBitmap(64, 48), "pixels.bmp");
    TMDIChild& document = *lastDocument();
    const double ratio = document.devicePixelRatioF();
    form->ViewScreenPixels1->trigger();
    EXPECT_DOUBLE_EQ(document.zoom(), 1.0 / ratio);
    EXPECT_EQ(QSizeF(document.Image1->size()) * ratio, QSizeF(64, 48));
    const QImage shown = document.Image1->grab().toImage().convertToFormat(QImage::Format_BGR888);
    EXPECT_EQ(shown.size(), QSize(64, 48));
    EXPECT_EQ(shown, document.bitmap()) << "each picture pixel exactly one screen pixel, unsmoothed";
    EXPECT_EQ(form->ZoomText->text(), zoomText(document.zoom(), ratio));
    form->ViewActualSize1->trigger();
    EXPECT_EQ(form->ZoomText->text(), zoomText(1.0, ratio));

    EXPECT_EQ(zoomText(1.0, 1.0), "Zoom 100%") << "an unscaled screen keeps the plain text";
    EXPECT_EQ(zoomText(1.0, 2.0), "Zoom 100%, 200% in screen pixels");
    EXPECT_EQ(zoomText(0.5, 2.0), "Zoom 50%, 1:1 screen pixels");
    EXPECT_EQ(zoomText(1.0 / 1.5, 1.5), "Zoom 67%, 1:1 screen pixels");
}

TEST_F(StatusAndZoomTest, AMenuEntrysHintGoesWhenTheMenuClosesAndOtherMessagesStay) {
    form->statusBar()->showMessage("Saved somewhere");
    form->View1->popup(QPoint(10, 10));
    QApplication::processEvents();
    form->View1->hide();
    EXPECT_EQ(form->statusBar()->currentMessage(), "Saved somewhere") << "nothing was hovered";

    // The menu bar shows a menu's own hint while its title is hovered, and the menu opens under it.
    form->View1->menuAction()->showStatusText(form->menuBar());
    EXPECT_EQ(form->statusBar()->currentMessage(), form->View1->menuAction()->statusTip());
    form->View1->popup(QPoint(10, 10));
    QApplication::processEvents();
    form->View1->hide();
    EXPECT_EQ(form->statusBar()->currentMessage(), "");
}

// A fitted picture fills its window one way; the other way it sits in the middle.
TEST_F(StatusAndZoomTest, AFittedPictureSitsInTheMiddleOfItsWindow) {
    openPicture(patternBitmap(200, 100), "wide.bmp");
    TMDIChild& document = *lastDocument();
    document.resize(document.size() + QSize(100, 300));
    QApplication::processEvents();
    form->ViewFit1->trigger();
    QApplication::processEvents();
    const QWidget* viewport = qobject_cast<QScrollArea*>(document.widget())->viewport();
    const QRect picture = document.Image1->geometry();
    EXPECT_EQ(picture.width(), viewport->width()) << "fitted across";
    EXPECT_LT(picture.height(), viewport->height() - 100);
    EXPECT_NEAR(picture.center().y(), viewport->rect().center().y(), 1);
}

}  // namespace
}  // namespace brenlow::testing
