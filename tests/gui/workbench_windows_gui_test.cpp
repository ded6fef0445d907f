#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QWheelEvent>
#include <cstdint>
#include <span>

#include "app/shell/window_arrangement.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"

namespace brenlow::testing {
namespace {

QRect workArea(const TMainForm& form) {
    return form.ClientArea->viewport()->rect();
}

// Every document window lies wholly inside the work area, its caption included.
void expectAllInside(const TMainForm& form, const std::string& when) {
    const QRect area = workArea(form);
    for (const TMDIChild* document : form.documents())
        EXPECT_TRUE(area.contains(document->geometry()))
            << when << ": " << document->windowTitle().toStdString() << " at x " << document->geometry().left()
            << "-" << document->geometry().right() << ", y " << document->geometry().top() << "-"
            << document->geometry().bottom() << " outside " << area.width() << " x " << area.height();
}

QScrollArea* scrollerOf(const TMDIChild& document) {
    return qobject_cast<QScrollArea*>(document.widget());
}

class WorkbenchWindowsTest : public WorkbenchTest {
protected:
    void resizeForm(QSize size) {
        form->resize(size);
        QApplication::processEvents();
    }

    void pressKeys(TMDIChild& document, int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(scrollerOf(document), &press);
    }

    void turnWheel(TMDIChild& document, int angle, Qt::KeyboardModifiers modifiers, QPointF at = QPointF(2, 2)) {
        QWidget* viewport = scrollerOf(document)->viewport();
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }
};

class WindowPlacementTest : public WorkbenchWindowsTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(WindowPlacementTest, EveryResultAndReopenedFileOpensInsideTheWorkArea) {
    resizeForm(GetParam());
    const std::string path = openCopy(samplePath("astronaut.bmp"));
    const std::string base = path.substr(0, path.size() - 4);
    for (QAction* command : {form->AJC1, form->AJC2, form->JPEG1}) {
        form->ClientArea->setActiveSubWindow(form->documents().first());
        command->trigger();
        expectAllInside(*form, command->text().toStdString());
    }
    openThroughDialog(base + ".avc");
    openThroughDialog(base + ".ajc");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_EQ(documentCount(), 6);
    expectAllInside(*form, "after opening the .avc and the .ajc");
    for (const TMDIChild* document : form->documents())
        EXPECT_EQ(document->widget()->size(), QSize(512, 512)) << "the client area is exactly the picture";
    const QList<TMDIChild*> documents = form->documents();
    EXPECT_EQ(documents.first()->pos(), QPoint(0, 0)) << "the first window starts at the top left";
    for (qsizetype i = 1; i < documents.size(); ++i)
        EXPECT_NE(documents[i]->pos(), documents[i - 1]->pos()) << "window " << i << " hides the one before";
}

TEST_P(WindowPlacementTest, ManyWindowsWrapBackToTheTopLeftAndStayInside) {
    resizeForm(GetParam());
    const std::string path = dir.file("many.bmp");
    saveBitmapFile(patternBitmap(300, 200), path);
    for (int i = 0; i < 60; ++i) openThroughDialog(path);
    ASSERT_EQ(documentCount(), 60);
    expectAllInside(*form, "sixty windows");
    int atTopLeft = 0;
    for (const TMDIChild* document : form->documents())
        if (document->pos() == QPoint(0, 0)) ++atTopLeft;
    EXPECT_GE(atTopLeft, 2) << "the cascade starts again at the top left";
}

TEST_P(WindowPlacementTest, APictureLargerThanTheAreaGetsAWindowThatFitsAndScrolls) {
    resizeForm(GetParam());
    openPicture(patternBitmap(500, 400), "small.bmp");
    openPicture(patternBitmap(2600, 1500), "huge.bmp");
    form->ViewActualSize1->trigger();  // it opens fitted
    expectAllInside(*form, "huge picture");
    const TMDIChild* huge = lastDocument();
    EXPECT_EQ(huge->Image1->size(), QSize(2600, 1500));
    const QRect area = workArea(*form);
    EXPECT_EQ(huge->geometry().bottomRight(), area.bottomRight()) << "as much of the picture as the area can show";
    EXPECT_GT(huge->pos().y(), form->documents().first()->pos().y()) << "one step on: the first caption shows";
    EXPECT_GT(scrollerOf(*huge)->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(scrollerOf(*huge)->verticalScrollBar()->maximum(), 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, WindowPlacementTest, ::testing::Values(QSize(1366, 768), QSize(1920, 1080)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

TEST_F(WorkbenchWindowsTest, CascadeKeepsEveryWindowReadableAndInside) {
    resizeForm(QSize(1366, 768));
    openCopy(samplePath("astronaut.bmp"));
    openPicture(patternBitmap(1, 1), "dot.bmp");
    openPicture(patternBitmap(3000, 300), "wide.bmp");
    form->ViewActualSize1->trigger();  // it opens fitted; its result opens at its zoom
    form->AJC1->trigger();  // codes the wide picture, the active one
    ASSERT_EQ(documentCount(), 4);
    form->documents().first()->resize(90, 70);  // the user shrank the sample's window
    form->ClientArea->setActiveSubWindow(form->documents().first());

    form->WindowCascade1->trigger();
    const QList<QMdiSubWindow*> stacked = form->ClientArea->subWindowList(QMdiArea::StackingOrder);
    EXPECT_EQ(stacked.last(), form->documents().first()) << "the active window ends on top";
    for (qsizetype i = 1; i < stacked.size(); ++i)
        EXPECT_GT(stacked[i]->y(), stacked[i - 1]->y()) << "each window lies below the one under it";
    expectAllInside(*form, "after Cascade");
    const QList<TMDIChild*> documents = form->documents();
    const QRect area = workArea(*form);
    EXPECT_EQ(documents[0]->widget()->size(), QSize(512, 512)) << "grown back to its picture";
    EXPECT_GE(documents[1]->width(), documents[1]->minimumWindowSize().width());
    EXPECT_GE(documents[1]->height(), documents[1]->minimumWindowSize().height());
    EXPECT_EQ(documents[2]->width(), area.width()) << "a wide picture keeps the area's width";
    EXPECT_EQ(documents[3]->width(), area.width());
    for (qsizetype i = 1; i < documents.size(); ++i)
        EXPECT_NE(documents[i]->pos(), documents[i - 1]->pos()) << "every caption stays in view";
}

// No window above `window` in the stacking order covers its caption.
bool captionShows(const TMainForm& form, const QMdiSubWindow* window) {
    const int captionHeight = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const QRect caption(window->pos(), QSize(window->width(), captionHeight));
    const QList<QMdiSubWindow*> stacked = form.ClientArea->subWindowList(QMdiArea::StackingOrder);
    for (qsizetype i = stacked.indexOf(window) + 1; i < stacked.size(); ++i)
        if (stacked[i]->geometry().intersects(caption)) return false;
    return true;
}

class TileTest : public WorkbenchWindowsTest, public ::testing::WithParamInterface<int> {};

// Up to the readable tiles the area holds (fifteen here), each window gets a readable one; more
// windows get smaller tiles, never below a caption with its buttons, and never two in one tile.
TEST_P(TileTest, EveryWindowStaysReadableInsideAndCaptioned) {
    resizeForm(QSize(1366, 768));
    const std::string path = dir.file("tiled.bmp");
    saveBitmapFile(patternBitmap(300, 200), path);
    for (int i = 0; i < GetParam(); ++i) openThroughDialog(path);
    ASSERT_EQ(documentCount(), GetParam());
    const QSize readable = GetParam() <= 14 ? QSize(240, 180) : lastDocument()->minimumWindowSize();
    for (QAction* command : {form->WindowTileHorizontal1, form->WindowTileVertical1}) {
        SCOPED_TRACE(command->text().toStdString());
        command->trigger();
        expectAllInside(*form, command->text().toStdString());
        const QList<TMDIChild*> documents = form->documents();
        for (const TMDIChild* document : documents) {
            EXPECT_GE(document->width(), readable.width()) << document->geometry().width();
            EXPECT_GE(document->height(), readable.height()) << document->geometry().height();
            EXPECT_TRUE(captionShows(*form, document)) << "window at " << document->x() << ", " << document->y();
        }
        for (qsizetype i = 0; i < documents.size(); ++i)
            for (qsizetype j = i + 1; j < documents.size(); ++j)
                EXPECT_FALSE(documents[i]->geometry().intersects(documents[j]->geometry())) << i << " and " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(WindowCounts, TileTest, ::testing::Values(3, 7, 14, 40));

TEST_F(WorkbenchWindowsTest, CascadeOfFourteenWindowsShowsEveryCaption) {
    resizeForm(QSize(1366, 768));
    const std::string path = dir.file("cascaded.bmp");
    saveBitmapFile(patternBitmap(900, 700), path);
    for (int i = 0; i < 14; ++i) openThroughDialog(path);
    form->WindowCascade1->trigger();
    expectAllInside(*form, "after Cascade");
    for (const TMDIChild* document : form->documents()) {
        EXPECT_TRUE(captionShows(*form, document)) << "window at " << document->x() << ", " << document->y();
        EXPECT_GE(document->height(), document->minimumWindowSize().height());
    }
}

TEST(TileLayout, StripsWhileTheyFitThenLinesOfStripsThenSmallerTilesThenNone) {
    const QRect whole(0, 0, 1366, 640);
    const QSize readable(240, 180);
    const QSize smallest(160, 60);
    EXPECT_EQ(tileLayout(3, whole, readable, smallest, Qt::Vertical).constLast(), QRect(0, 426, 1366, 214));
    const QList<QRect> columns = tileLayout(5, whole, readable, smallest, Qt::Vertical);
    EXPECT_EQ(columns[0], QRect(0, 0, 683, 213)) << "three in the first column, two in the second";
    EXPECT_EQ(columns[3], QRect(683, 0, 683, 320));
    const QList<QRect> rows = tileLayout(7, whole, readable, smallest, Qt::Horizontal);
    EXPECT_EQ(rows[4], QRect(0, 320, 455, 320)) << "four in the first row, three in the second";
    const QList<QRect> small = tileLayout(40, whole, readable, smallest, Qt::Vertical);
    ASSERT_EQ(small.size(), 40);
    EXPECT_EQ(small[0], QRect(0, 0, 170, 128)) << "eight columns of five";
    EXPECT_EQ(small[39], QRect(1195, 512, 171, 128));
    EXPECT_TRUE(tileLayout(1000, whole, readable, smallest, Qt::Vertical).isEmpty()) << "cascaded instead";
}

TEST_F(WorkbenchWindowsTest, ATinyPictureStillGetsACaptionAndItsButtons) {
    openPicture(patternBitmap(1, 1), "dot.bmp");
    openPicture(patternBitmap(5, 3), "five.bmp");
    for (TMDIChild* document : form->documents()) {
        EXPECT_GE(document->width(), document->minimumWindowSize().width());
        EXPECT_GE(document->height(), document->minimumWindowSize().height());
        EXPECT_GE(document->width(), 150) << "room for the caption and three buttons";
        EXPECT_GT(document->widget()->height(), 0);
        EXPECT_EQ(document->Image1->pos(), QPoint(0, 0)) << "the picture sits at the top left";
    }
    EXPECT_EQ(lastDocument()->Image1->size(), QSize(5, 3));
}

TEST_F(WorkbenchWindowsTest, AFailedOpenLeavesNoWindowAndNamesTheFile) {
    const std::string path = writeUnreadablePicture("broken.bmp");
    openThroughDialog(path);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(path))) << messages[0].toStdString();
    EXPECT_EQ(documentCount(), 0);

    openThroughDialog(dir.file("broken.jpg"));
    EXPECT_EQ(messages.size(), 1) << "File > Open of a name that is not there stays silent";
    EXPECT_EQ(documentCount(), 0);
}

TEST_F(WorkbenchWindowsTest, AMissingFileNamedOnTheCommandLineOrDroppedIsNamedInAMessage) {
    openPicture(patternBitmap(4, 4), "here.bmp");
    form->openDocuments({QString::fromStdString(dir.file("absent.bmp")), QString::fromStdString(dir.file("here.bmp")),
                         QStringLiteral("gone.avc")});
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("absent.bmp")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains("gone.avc")) << messages[1].toStdString();
    EXPECT_EQ(documentCount(), 2) << "the file that exists still opens";
}

TEST_F(WorkbenchWindowsTest, ZoomKeysScaleTheViewAndNeverTheBitmap) {
    openPicture(patternBitmap(200, 100), "zoom.bmp");
    TMDIChild& document = *lastDocument();
    const QImage before = document.bitmap().copy();
    const ImagePlanes planesBefore = document.Planes->clone();

    pressKeys(document, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(document.zoom(), 1.5);
    EXPECT_EQ(document.Image1->size(), QSize(300, 150));
    EXPECT_EQ(form->ZoomText->text(), "Zoom 150%");
    pressKeys(document, Qt::Key_Equal);
    EXPECT_DOUBLE_EQ(document.zoom(), 2.0);
    pressKeys(document, Qt::Key_Minus);
    pressKeys(document, Qt::Key_Minus);
    pressKeys(document, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(document.zoom(), 2.0 / 3);
    EXPECT_EQ(document.Image1->size(), QSize(133, 67));
    EXPECT_EQ(form->ZoomText->text(), "Zoom 67%");
    pressKeys(document, Qt::Key_1);
    EXPECT_DOUBLE_EQ(document.zoom(), 1.0);
    EXPECT_EQ(document.Image1->size(), QSize(200, 100));

    document.resize(document.size() + QSize(120, 120));
    pressKeys(document, Qt::Key_0);
    const QSize room = scrollerOf(document)->maximumViewportSize();
    EXPECT_TRUE(document.Image1->width() == room.width() || document.Image1->height() == room.height())
        << "fit fills the window in one direction";
    EXPECT_LE(document.Image1->width(), room.width());
    EXPECT_LE(document.Image1->height(), room.height());
    EXPECT_GT(document.zoom(), 1.0);

    pressKeys(document, Qt::Key_Plus, Qt::NoModifier);
    pressKeys(document, Qt::Key_1, Qt::AltModifier | Qt::ControlModifier);
    EXPECT_GT(document.zoom(), 1.0) << "only Ctrl with the key zooms";

    EXPECT_EQ(document.bitmap(), before);
    EXPECT_EQ(document.bitmap().size(), QSize(200, 100));
    EXPECT_TRUE(std::equal(planesBefore.plane(0), planesBefore.plane(0) + planesBefore.sampleCount(),
                           document.Planes->plane(0)));
}

TEST_F(WorkbenchWindowsTest, ZoomKeysWinOverMenuShortcutsAndTheWheelZoomsOnlyWithCtrl) {
    openPicture(patternBitmap(64, 64), "wheel.bmp");
    TMDIChild& document = *lastDocument();
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_1, Qt::ControlModifier);
    override.ignore();
    QApplication::sendEvent(scrollerOf(document), &override);
    EXPECT_TRUE(override.isAccepted()) << "Ctrl+1 reaches the document before any menu shortcut";

    turnWheel(document, 120, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(document.zoom(), 1.0);
    turnWheel(document, 120, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(document.zoom(), 1.5);
    turnWheel(document, -120, Qt::ControlModifier);
    turnWheel(document, -120, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(document.zoom(), 2.0 / 3);
}

TEST_F(WorkbenchWindowsTest, CtrlWheelKeepsThePicturePointUnderThePointer) {
    openPicture(patternBitmap(900, 700), "anchored.bmp");
    TMDIChild& document = *lastDocument();
    document.resize(420, 340);
    QApplication::processEvents();
    QScrollArea* scroller = scrollerOf(document);
    scroller->horizontalScrollBar()->setValue(100);
    scroller->verticalScrollBar()->setValue(80);
    const QPointF pointer(150, 120);
    const auto pictureUnderPointer = [&] {
        return (pointer + QPointF(scroller->horizontalScrollBar()->value(), scroller->verticalScrollBar()->value())) /
               document.zoom();
    };
    const QPointF before = pictureUnderPointer();
    for (const int angle : {120, 120, -120, -120, -120}) {
        turnWheel(document, angle, Qt::ControlModifier, pointer);
        const QPointF now = pictureUnderPointer();
        EXPECT_NEAR(now.x(), before.x(), 1.0) << "at zoom " << document.zoom();
        EXPECT_NEAR(now.y(), before.y(), 1.0) << "at zoom " << document.zoom();
    }
    EXPECT_DOUBLE_EQ(document.zoom(), 2.0 / 3);
}

// Enlarged pixels are shown as sharp squares; reduced pictures are smoothed.
TEST_F(WorkbenchWindowsTest, EnlargedPixelsStaySharpAndReducedOnesAreSmoothed) {
    QImage checker(4, 4, QImage::Format_BGR888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) checker.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    openPicture(checker, "checker.bmp");
    TMDIChild& document = *lastDocument();

    document.setZoom(2.0);
    const QImage enlarged = document.Image1->grab().toImage();
    ASSERT_EQ(enlarged.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(enlarged.pixelColor(x, y).rgb(), checker.pixelColor(x / 2, y / 2).rgb()) << x << ", " << y;

    document.setZoom(0.5);
    const QImage reduced = document.Image1->grab().toImage();
    ASSERT_EQ(reduced.size(), QSize(2, 2));
    const int grey = qGray(reduced.pixel(0, 0));
    EXPECT_GT(grey, 40);
    EXPECT_LT(grey, 215);
}

}  // namespace
}  // namespace brenlow::testing
