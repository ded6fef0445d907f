#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QSlider>
#include <cmath>

#include "app/docks/measurements_dock.h"
#include "app/windows/compare_canvas.h"
#include "app/windows/compare_window.h"
#include "codecs/still_codecs.h"
#include "gui_fixture.h"
#include "imaging/difference_image.h"
#include "io/bitmap_file.h"
#include "io/file_io.h"
#include "measures/measures.h"

namespace brenlow::testing {
namespace {

QString decibels(double value) { return QString::fromStdString(formatMeasure(value, 3)) + " dB"; }

class ResearchGuiTest : public WorkbenchTest {
protected:
    QString shown(const char* name) const { return form->Measurements->valueText(QString::fromLatin1(name)); }

    QMdiSubWindow* windowTitled(const std::string& title) const {
        for (TMDIChild* document : form->documents())
            if (document->windowTitle().toStdString() == title) return document;
        return nullptr;
    }

    void activate(QMdiSubWindow* window) { form->ClientArea->setActiveSubWindow(window); }

    // Compare with Source on the active window: the one compare window it opened, or null.
    CompareWindow* openCompareView() {
        form->Compare1->trigger();
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const QList<CompareWindow*> windows = openWindows<CompareWindow>();
        EXPECT_EQ(windows.size(), 1);
        QApplication::processEvents();
        return windows.size() == 1 && messages.isEmpty() ? windows.first() : nullptr;
    }

    template <typename Window>
    QList<Window*> openWindows() const {
        QList<Window*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<Window*>(widget); window && !window->testAttribute(Qt::WA_WState_Hidden))
                windows << window;
        return windows;
    }
};

TEST_F(ResearchGuiTest, MeasurementsPanelFollowsTheActiveWindow) {
    const std::string source = openCopy(samplePath("astronaut.bmp"));
    EXPECT_EQ(shown("psnr"), "") << "nothing has been run on the document yet";

    form->AJC1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    QMdiSubWindow* avcWindow = lastDocument();
    const PictureMeasures avc = measurePictures(loadBitmapFile(source), lastDocument()->bitmap());
    EXPECT_EQ(shown("run"), "AVC, quality 80, divisor 2.5, focus 2");
    EXPECT_EQ(shown("psnr"), "measuring...") << "the result is shown before the slow measures are taken";
    EXPECT_EQ(shown("coded_size"), QString("%1 bytes").arg(form->CodedSize));
    ASSERT_TRUE(waitForMeasures());
    EXPECT_EQ(shown("psnr"), decibels(avc.psnr));
    EXPECT_EQ(shown("ssim_y"), QString::fromStdString(formatMeasure(avc.ssimLuma, 5)));
    EXPECT_EQ(shown("coded_size"), QString("%1 bytes").arg(form->CodedSize));
    EXPECT_EQ(shown("bits_per_pixel"), QString::fromStdString(formatMeasure(8.0 * form->CodedSize / (512 * 512), 4)));

    activate(windowTitled(source));
    EXPECT_EQ(shown("run"), "AVC, quality 80, divisor 2.5, focus 2") << "the source shows the last run that coded it";

    form->JPEG1->trigger();
    const PictureMeasures jpeg = measurePictures(loadBitmapFile(source), lastDocument()->bitmap());
    ASSERT_TRUE(waitForMeasures());
    EXPECT_EQ(shown("run"), "JPEG, quality 80");
    EXPECT_EQ(shown("psnr_r"), decibels(jpeg.psnrRed));
    EXPECT_NE(shown("psnr_r"), decibels(avc.psnrRed));

    activate(avcWindow);
    EXPECT_EQ(shown("psnr_r"), decibels(avc.psnrRed));
    activate(windowTitled(source));
    EXPECT_EQ(shown("run"), "JPEG, quality 80");

    avcWindow->close();
    settleClosedWindows();
    openPicture(patternBitmap(16, 16), "other.bmp");
    EXPECT_EQ(shown("run"), "");
    EXPECT_TRUE(form->Measurements->toggleViewAction()->isCheckable());
}

// The measures follow the commands on a thread of their own: each run keeps its own, whatever
// the user does meanwhile.
TEST_F(ResearchGuiTest, RunsMeasuredInTheBackgroundKeepTheirOwnMeasuresWhileWindowsCloseAndOpen) {
    const std::string source = openCopy(samplePath("astronaut.bmp"));
    QMdiSubWindow* sourceWindow = lastDocument();
    form->JPEG1->trigger();
    QMdiSubWindow* jpegWindow = lastDocument();
    const QImage jpegDecoded = lastDocument()->bitmap();
    jpegWindow->close();  // before its measures are in
    activate(sourceWindow);
    form->AJC1->trigger();
    QMdiSubWindow* avcWindow = lastDocument();
    const QImage avcDecoded = lastDocument()->bitmap();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(form->Measurements->measuring());
    ASSERT_TRUE(waitForMeasures());
    settleClosedWindows();

    const QImage file = loadBitmapFile(source);
    EXPECT_EQ(shown("psnr"), decibels(measurePictures(file, avcDecoded).psnr));
    activate(sourceWindow);
    EXPECT_EQ(shown("run"), "AVC, quality 80, divisor 2.5, focus 2") << "the source shows the last run that coded it";
    EXPECT_EQ(shown("psnr"), decibels(measurePictures(file, avcDecoded).psnr));
    EXPECT_NE(decibels(measurePictures(file, jpegDecoded).psnr), shown("psnr"));
    activate(avcWindow);
    EXPECT_EQ(form->Measurements->runThatMade(avcWindow)->measures.picture.psnr,
              measurePictures(file, avcDecoded).psnr);
}

TEST_F(ResearchGuiTest, ClosingTheWorkbenchWhileMeasuringWaitsForTheMeasures) {
    openCopy(samplePath("astronaut.bmp"));
    form->AJC1->trigger();
    ASSERT_TRUE(form->Measurements->measuring());
    form.reset();  // must neither crash nor leave a thread behind writing into freed memory
    SUCCEED();
}

// The window's pixels stand for its file only until a tool changes them.
TEST_F(ResearchGuiTest, AChangedDocumentIsStillMeasuredAgainstItsFile) {
    const std::string source = openCopy(samplePath("astronaut.bmp"));
    const QImage file = loadBitmapFile(source);
    form->Test2->trigger();
    ASSERT_NE(lastDocument()->bitmap(), file) << "the tool sharpens the window's picture, not the file";
    const ImagePlanes sharpened = lastDocument()->Planes->clone();
    form->AJC1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readWholeFile(dir.file("astronaut.avc")), encodeAvcFile(sharpened, StillParameters{}))
        << "coded from the planes, which keep the tool's fractions";
    ASSERT_TRUE(waitForMeasures());
    EXPECT_EQ(shown("psnr"), decibels(measurePictures(file, lastDocument()->bitmap()).psnr));
}

TEST_F(ResearchGuiTest, CompareViewOpensForADecodedWindowWithSynchronisedPanes) {
    const std::string source = openCopy(samplePath("astronaut.bmp"));
    form->AJC1->trigger();
    const QImage decoded = lastDocument()->bitmap();
    CompareWindow* window = openCompareView();
    ASSERT_NE(window, nullptr);
    CompareCanvas* canvas = window->canvas();
    const QImage original = loadBitmapFile(source);
    EXPECT_EQ(canvas->difference(), amplifiedDifference(original, decoded, 8));
    EXPECT_EQ(canvas->findChild<QLabel*>("SourceCaption")->text(), "Source: astronaut.bmp") << "the coded document";
    EXPECT_EQ(canvas->findChild<QLabel*>("ResultCaption")->text(), "Result: astronaut~.bmp - AVC q80 d2 f2")
        << "the result named with what made it, at the fields' defaults";

    // At 8x, pixel (10, 20) covers an 8 x 8 block in each pane, wherever fitting left the picture;
    // `inside` is the top-left of the 6 x 6 whole widget pixels surely within that block. Zooming
    // about the picture's top-left corner keeps the block in sight whatever band fitting left
    // above the picture, as a window of any proportions does.
    canvas->setZoom(8.0, -canvas->origin() * canvas->zoom());
    const int rightPane = (canvas->width() - 4) / 2 + 4;
    const QPointF block = (QPointF(10, 20) - canvas->origin()) * 8.0;
    const QPoint inside(static_cast<int>(std::floor(block.x())) + 1, static_cast<int>(std::floor(block.y())) + 1);
    const QPoint middle = inside + QPoint(3, 3);
    EXPECT_EQ(canvas->pixelAt(middle), QPoint(10, 20));
    EXPECT_EQ(canvas->pixelAt(middle + QPoint(rightPane, 0)), QPoint(10, 20));
    const QImage shot = canvas->grab().toImage();
    for (int dy = 0; dy < 6; ++dy)
        for (int dx = 0; dx < 6; ++dx) {
            const QPoint at = inside + QPoint(dx, dy);
            EXPECT_EQ(shot.pixelColor(at), original.pixelColor(10, 20)) << "nearest neighbour";
            EXPECT_EQ(shot.pixelColor(at + QPoint(rightPane, 0)), decoded.pixelColor(10, 20));
        }

    QMouseEvent move(QEvent::MouseMove, QPointF(middle + QPoint(rightPane, 0)), QPointF(), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    const QColor a = original.pixelColor(10, 20);
    const QColor b = decoded.pixelColor(10, 20);
    EXPECT_TRUE(window->readout().startsWith(
        QString("x 10, y 20    source R %1 G %2 B %3    decoded R %4 G %5 B %6")
            .arg(a.red()).arg(a.green()).arg(a.blue()).arg(b.red()).arg(b.green()).arg(b.blue())))
        << window->readout().toStdString();

    // Dragging 40 pixels left in one pane moves both by 5 picture pixels.
    const QPointF start = canvas->origin();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent drag(QEvent::MouseMove, QPointF(60, 100), QPointF(), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(60, 100), QPointF(), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &press);
    QApplication::sendEvent(canvas, &drag);
    QApplication::sendEvent(canvas, &release);
    EXPECT_EQ(canvas->origin(), start + QPointF(5, 0));
    EXPECT_EQ(canvas->pixelAt(middle + QPoint(rightPane, 0)), QPoint(15, 20));
    window->close();
}

// Where the picture's left edge is drawn, from its pane's left edge.
double pictureLeft(const CompareCanvas& canvas) { return -canvas.origin().x() * canvas.zoom(); }

// The picture is fitted: wholly inside the pane, centred, and as large as the pane allows.
void expectFitted(const CompareCanvas& canvas, QSize pane, QSize picture) {
    const QSizeF shown = QSizeF(picture) * canvas.zoom();
    const QPointF topLeft = -canvas.origin() * canvas.zoom();
    EXPECT_GE(topLeft.x(), -1e-9);
    EXPECT_GE(topLeft.y(), -1e-9);
    EXPECT_NEAR(2 * topLeft.x() + shown.width(), pane.width(), 1e-6) << "centred across";
    EXPECT_NEAR(2 * topLeft.y() + shown.height(), pane.height(), 1e-6) << "centred down";
    EXPECT_TRUE(shown.width() > pane.width() - 1 || shown.height() > pane.height() - 1)
        << shown.width() << " x " << shown.height() << " in " << pane.width() << " x " << pane.height();
}

// The widget position at the centre of a picture pixel.
QPoint centreOf(const CompareCanvas& canvas, QPoint pixel) {
    const QPointF at = (QPointF(pixel) + QPointF(0.5, 0.5) - canvas.origin()) * canvas.zoom();
    return QPoint(static_cast<int>(at.x()), static_cast<int>(at.y()));
}

TEST_F(ResearchGuiTest, CompareModesFitThePictureWhenChosenAndNameSourceAndResult) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), dir);
    const QImage original = loadBitmapFile(source);
    const QImage mirrored = original.mirrored(true, false);
    saveBitmapFile(mirrored, dir.file("astronaut~.bmp"));
    openThroughDialog(dir.file("astronaut~.bmp"));
    CompareWindow* window = openCompareView();
    ASSERT_NE(window, nullptr);
    CompareCanvas* canvas = window->canvas();
    auto* mode = window->findChild<QComboBox*>("CompareMode");
    auto* sourceCaption = canvas->findChild<QLabel*>("SourceCaption");
    auto* resultCaption = canvas->findChild<QLabel*>("ResultCaption");
    auto* differenceCaption = canvas->findChild<QLabel*>("DifferenceCaption");
    const QSize picture = original.size();
    const int rightPane = (canvas->width() - 4) / 2 + 4;

    expectFitted(*canvas, QSize(rightPane - 4, canvas->height()), picture);
    EXPECT_EQ(sourceCaption->text(), "Source: astronaut.bmp");
    EXPECT_EQ(resultCaption->text(), "Result: astronaut~.bmp");
    EXPECT_LT(sourceCaption->geometry().right(), rightPane);
    EXPECT_GE(resultCaption->x(), rightPane);
    EXPECT_FALSE(differenceCaption->isVisible());

    canvas->setZoom(8.0, QPointF(0, 0));
    mode->setCurrentIndex(1);
    expectFitted(*canvas, canvas->size(), picture);
    EXPECT_NEAR(canvas->dividerX(), pictureLeft(*canvas) + picture.width() * canvas->zoom() / 2, 1.0)
        << "the middle of the picture";
    EXPECT_LT(sourceCaption->geometry().right(), canvas->dividerX());
    EXPECT_GT(resultCaption->x(), canvas->dividerX());
    const QPoint sourceSide(picture.width() / 2 - 3, 100);
    const QPoint resultSide(picture.width() / 2 + 3, 100);
    QImage shot = canvas->grab().toImage();
    EXPECT_EQ(shot.pixelColor(centreOf(*canvas, sourceSide)), original.pixelColor(sourceSide));
    EXPECT_EQ(shot.pixelColor(centreOf(*canvas, resultSide)), mirrored.pixelColor(resultSide));
    ASSERT_NE(original.pixelColor(resultSide), mirrored.pixelColor(resultSide));

    window->findChild<QSlider*>("SplitSlider")->setValue(250);
    EXPECT_NEAR(canvas->dividerX(), pictureLeft(*canvas) + picture.width() * canvas->zoom() / 4, 1.0);
    EXPECT_GT(resultCaption->x(), canvas->dividerX()) << "the captions follow the divider";

    canvas->setZoom(8.0, QPointF(0, 0));
    mode->setCurrentIndex(2);
    expectFitted(*canvas, canvas->size(), picture);
    EXPECT_TRUE(differenceCaption->isVisible());
    EXPECT_FALSE(sourceCaption->isVisible());
    EXPECT_EQ(differenceCaption->text(), "Difference x 8 of Result: astronaut~.bmp and Source: astronaut.bmp");
    shot = canvas->grab().toImage();
    EXPECT_EQ(shot.pixelColor(centreOf(*canvas, resultSide)), canvas->difference().pixelColor(resultSide));

    canvas->setZoom(8.0, QPointF(0, 0));
    mode->setCurrentIndex(0);
    expectFitted(*canvas, QSize(rightPane - 4, canvas->height()), picture);
    EXPECT_TRUE(resultCaption->isVisible());
    EXPECT_GE(resultCaption->x(), rightPane);
    window->close();
}

TEST_F(ResearchGuiTest, CompareNeedsAKnownSource) {
    openPicture(patternBitmap(16, 16), "alone.bmp");
    form->Compare1->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("No source is known")) << messages.first().toStdString();
    EXPECT_TRUE(openWindows<CompareWindow>().isEmpty());
}

TEST_F(ResearchGuiTest, CompareFindsTheSourceOfADecodedFileOpenedFromDisk) {
    const std::string source = copyInto(samplePath("astronaut.bmp"), dir);
    saveBitmapFile(loadBitmapFile(source).mirrored(true, false), dir.file("astronaut~.bmp"));
    openThroughDialog(dir.file("astronaut~.bmp"));
    form->Compare1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QList<CompareWindow*> windows = openWindows<CompareWindow>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.first()->canvas()->difference(),
              amplifiedDifference(loadBitmapFile(source), loadBitmapFile(dir.file("astronaut~.bmp")), 8));
    windows.first()->close();
}

}  // namespace
}  // namespace brenlow::testing
