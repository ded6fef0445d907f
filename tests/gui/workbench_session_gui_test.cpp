#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QMdiSubWindow>
#include <filesystem>
#include <fstream>

#include "app/docks/elided_label.h"
#include "app/docks/measurements_dock.h"
#include "gui_fixture.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

class WorkbenchSessionGuiTest : public WorkbenchTest {
protected:
    void activate(QMdiSubWindow* window) {
        form->ClientArea->setActiveSubWindow(window);
        QApplication::processEvents();
    }

    static QScrollArea* scrollerOf(const TMDIChild& document) { return qobject_cast<QScrollArea*>(document.widget()); }

    // Whether the picture's whole scaled view fits in the window's room.
    static bool shownWhole(const TMDIChild& document) {
        const QSize room = scrollerOf(document)->maximumViewportSize();
        return document.Image1->width() <= room.width() && document.Image1->height() <= room.height();
    }

    ElidedLabel* panelValue(const char* name) const {
        return form->Measurements->findChild<ElidedLabel*>(QString::fromLatin1(name));
    }
};

// A result of a deep folder and one of a short name, one after the other: the panel keeps the
// width the user gave it and shows the long path's ends, the whole of it in the tooltip.
TEST_F(WorkbenchSessionGuiTest, MeasurementsPanelKeepsItsWidthAndElidesLongPaths) {
    form->Measurements->show();
    const std::string deep = "a-folder-with-a-name-long-enough-to-fill-any-panel-twice-over-and-more-again";
    std::filesystem::create_directories(dir.file(deep));
    openPicture(patternBitmap(40, 30), deep + "/deep.bmp");
    form->JPEG1->trigger();
    QMdiSubWindow* deepResult = lastDocument();
    openPicture(patternBitmap(40, 30), "p.bmp");
    form->JPEG1->trigger();
    QMdiSubWindow* shortResult = lastDocument();
    ASSERT_TRUE(waitForMeasures());
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    form->resizeDocks({form->Measurements}, {260}, Qt::Horizontal);
    QApplication::processEvents();
    const int width = form->Measurements->width();
    for (QMdiSubWindow* window : {deepResult, shortResult, deepResult, shortResult}) {
        activate(window);
        EXPECT_EQ(form->Measurements->width(), width) << window->windowTitle().toStdString();
    }

    activate(deepResult);
    const ElidedLabel* source = panelValue("source");
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(source->fullText().contains(QString::fromStdString(deep)));
    EXPECT_EQ(source->toolTip(), source->fullText());
    EXPECT_TRUE(source->text().contains(QChar(0x2026))) << source->text().toStdString();
    EXPECT_TRUE(source->text().endsWith(QStringLiteral("deep.bmp"))) << "the file name stays in view";
    activate(shortResult);
    EXPECT_EQ(panelValue("run")->toolTip(), QString()) << "a text that fits needs no tooltip";
}

// The run line is read whole, item by item over as many lines as it needs, at the panel's first
// width and at a narrower one; on a wide panel it is one line again.
TEST_F(WorkbenchSessionGuiTest, MeasurementsPanelShowsTheWholeRunLineAtItsFirstWidth) {
    form->Measurements->show();
    openPicture(patternBitmap(40, 30), "p.bmp");
    form->AJC1->trigger();
    ASSERT_TRUE(waitForMeasures());
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    QApplication::processEvents();
    const ElidedLabel* run = panelValue("run");
    ASSERT_NE(run, nullptr);
    ASSERT_EQ(run->fullText(), "AVC, quality 80, divisor 2.5, focus 2");
    const int first = form->Measurements->width();
    for (const int panel : {first, first - 60, first + 200}) {
        form->resizeDocks({form->Measurements}, {panel}, Qt::Horizontal);
        QApplication::processEvents();
        SCOPED_TRACE("a panel " + std::to_string(form->Measurements->width()) + " wide: " + run->text().toStdString());
        const QStringList lines = run->text().split('\n');
        if (panel > first) {
            EXPECT_EQ(lines.size(), 1);
        }
        EXPECT_EQ(lines.join(' ').toStdString(), run->fullText().toStdString());
        for (const QString& line : lines)
            EXPECT_LE(run->fontMetrics().horizontalAdvance(line), run->contentsRect().width()) << line.toStdString();
        EXPECT_GE(run->contentsRect().height(), lines.size() * run->fontMetrics().height()) << "every line in sight";
        EXPECT_EQ(run->toolTip().toStdString(), "") << "a text read whole needs no tooltip";
    }
}

// Windows lying against the right edge move left when the panel takes room from the work area,
// and one wider than what is left shrinks: no caption or picture edge is hidden behind it.
TEST_F(WorkbenchSessionGuiTest, DocumentWindowsStayInsideTheWorkAreaWhenThePanelGrows) {
    form->Measurements->hide();
    QApplication::processEvents();
    openPicture(patternBitmap(200, 150), "narrow.bmp");
    QMdiSubWindow* narrow = lastDocument();
    const QRect area = form->ClientArea->viewport()->rect();
    narrow->move(area.right() + 1 - narrow->width(), 10);
    openPicture(patternBitmap(area.width() - 20, 100), "wide.bmp");
    QMdiSubWindow* wide = lastDocument();

    form->Measurements->show();
    form->resizeDocks({form->Measurements}, {400}, Qt::Horizontal);
    QApplication::processEvents();
    const QRect shrunk = form->ClientArea->viewport()->rect();
    ASSERT_LT(shrunk.width(), area.width());
    for (QMdiSubWindow* window : {narrow, wide})
        EXPECT_TRUE(shrunk.contains(window->geometry())) << window->windowTitle().toStdString();
    EXPECT_EQ(narrow->size(), QSize(narrow->sizeHint())) << "a window that fits keeps its size";
    EXPECT_EQ(wide->width(), shrunk.width());
}

// A picture larger than the room opens whole, scaled for the screen only: its bitmap, caption, the
// file Save writes and the figures of a run are those of the picture itself.
TEST_F(WorkbenchSessionGuiTest, ALargePictureOpensFittedAndOnlyItsViewIsScaled) {
    const QImage picture = patternBitmap(3000, 2000);
    const std::string path = openPicture(picture, "large.bmp");
    TMDIChild* large = lastDocument();
    EXPECT_LT(large->zoom(), 1.0);
    EXPECT_TRUE(shownWhole(*large));
    EXPECT_EQ(form->ZoomText->text(), QString("Zoom %1%").arg(qRound(large->zoom() * 100)));
    EXPECT_EQ(large->bitmap().size(), QSize(3000, 2000));
    EXPECT_EQ(large->windowTitle(), QString::fromStdString(path));

    form->FileSave1->trigger();
    EXPECT_EQ(loadBitmapFile(path), picture) << "Save writes the picture, not its view";
    form->JPEG1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(form->Edit6->text().contains("Original size: " + QString::number(std::filesystem::file_size(path))));
    EXPECT_EQ(lastDocument()->bitmap().size(), QSize(3000, 2000));

    openPicture(patternBitmap(300, 200), "small.bmp");
    EXPECT_EQ(lastDocument()->zoom(), 1.0) << "a picture that fits opens at 1:1";
    EXPECT_EQ(lastDocument()->Image1->size(), QSize(300, 200));
}

// The result of a run shows the part of the picture its source showed, at the same zoom.
TEST_F(WorkbenchSessionGuiTest, AResultOpensAtItsSourcesZoomAndPosition) {
    openPicture(patternBitmap(2400, 1600), "large.bmp");
    TMDIChild* source = lastDocument();
    form->ViewActualSize1->trigger();
    scrollerOf(*source)->horizontalScrollBar()->setValue(700);
    scrollerOf(*source)->verticalScrollBar()->setValue(450);
    for (QAction* codec : {form->JPEG1, form->AJC2}) {
        form->ClientArea->setActiveSubWindow(source);
        codec->trigger();
        ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        const TMDIChild* result = lastDocument();
        ASSERT_NE(result, source);
        EXPECT_EQ(result->zoom(), 1.0) << codec->text().toStdString();
        EXPECT_EQ(result->scrollPosition(), QPoint(700, 450)) << codec->text().toStdString();
    }

    form->ClientArea->setActiveSubWindow(source);
    form->ViewFit1->trigger();
    ASSERT_LT(source->zoom(), 1.0);
    form->JPEG1->trigger();
    EXPECT_EQ(lastDocument()->zoom(), source->zoom());
}

TEST_F(WorkbenchSessionGuiTest, ViewMenuZoomsTheActiveDocumentWithTheZoomKeys) {
    const std::vector<std::pair<QAction*, QString>> keys{{form->ViewFit1, "Ctrl+0"},
                                                         {form->ViewActualSize1, "Ctrl+1"},
                                                         {form->ViewZoomIn1, "Ctrl++"},
                                                         {form->ViewZoomOut1, "Ctrl+-"}};
    for (const auto& [action, key] : keys) {
        EXPECT_EQ(action->shortcut().toString(), key);
        EXPECT_FALSE(action->isEnabled()) << "no document to zoom";
    }
    openPicture(patternBitmap(2000, 1500), "large.bmp");
    TMDIChild* document = lastDocument();
    const double fitted = document->zoom();
    const std::vector<std::pair<QAction*, double>> steps{{form->ViewActualSize1, 1.0}, {form->ViewZoomIn1, 1.5},
                                                         {form->ViewZoomIn1, 2.0},     {form->ViewZoomOut1, 1.5},
                                                         {form->ViewFit1, fitted}};
    for (const auto& [action, zoom] : steps) {
        action->trigger();
        EXPECT_DOUBLE_EQ(document->zoom(), zoom) << action->text().toStdString();
        EXPECT_EQ(form->ZoomText->text(), QString("Zoom %1%").arg(qRound(zoom * 100)));
    }
    form->ViewZoomOut1->trigger();
    EXPECT_LT(document->zoom(), fitted);
    EXPECT_EQ(document->bitmap().size(), QSize(2000, 1500));
}

// Ctrl+wheel zooms about the pointer: the picture's pixel under it stays under it.
TEST_F(WorkbenchSessionGuiTest, CtrlWheelKeepsThePointUnderThePointer) {
    openPicture(patternBitmap(4000, 3000), "large.bmp");
    TMDIChild* document = lastDocument();
    form->ViewActualSize1->trigger();
    scrollerOf(*document)->horizontalScrollBar()->setValue(400);
    scrollerOf(*document)->verticalScrollBar()->setValue(300);
    const QPointF at(120, 90);
    const auto pictureUnder = [&] { return (at + QPointF(document->scrollPosition())) / document->zoom(); };
    for (int angle : {120, 120, -120, -120, -120}) {
        const QPointF before = pictureUnder();
        QWidget* viewport = scrollerOf(*document)->viewport();
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        EXPECT_NEAR(pictureUnder().x(), before.x(), 1.0) << "zoom " << document->zoom();
        EXPECT_NEAR(pictureUnder().y(), before.y(), 1.0) << "zoom " << document->zoom();
    }
}

// The threads of the process that the panel started to take measures.
int measuringThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::ifstream(task.path() / "comm") >> name;
        if (name == "measures") ++count;
    }
    return count;
}

// The panel takes SSIMULACRA 2 with the others; a run whose windows all close before its measures
// are in stops, and its thread is gone once the panel says it measures nothing.
TEST_F(WorkbenchSessionGuiTest, ClosingARunsWindowsStopsItsMeasuresAndEndsTheirThread) {
    form->Measurements->show();
    openPicture(patternBitmap(64, 48), "warm.bmp");
    form->JPEG1->trigger();
    ASSERT_TRUE(waitForMeasures());
    EXPECT_NE(form->Measurements->valueText("ssimulacra2"), "measuring...");
    EXPECT_NE(form->Measurements->valueText("ssimulacra2"), "");
    EXPECT_EQ(measuringThreads(), 0);

    openPicture(patternBitmap(800, 600), "large.bmp");
    form->AJC1->trigger();
    ASSERT_TRUE(form->Measurements->measuring());
    EXPECT_GE(measuringThreads(), 1) << "with the helpers it starts, named after it";
    form->CloseAllDocuments();
    settleClosedWindows();
    const QDeadlineTimer deadline(60000);
    while (form->Measurements->measuring() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    EXPECT_FALSE(form->Measurements->measuring());
    EXPECT_EQ(measuringThreads(), 0) << "joined, not left to end on its own";
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

}  // namespace
}  // namespace brenlow::testing
