#include <QMdiArea>
#include <filesystem>

#include "gui_fixture.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

bool samePlanes(const ImagePlanes& a, const ImagePlanes& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int channel = 0; channel < kChannels; ++channel)
        if (!std::equal(a.plane(channel), a.plane(channel) + a.sampleCount(), b.plane(channel))) return false;
    return true;
}

QImage flatBitmap(int width, int height) {
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor(90, 140, 200));
    return image;
}

using ViewToolsTest = WorkbenchTest;

TEST_F(ViewToolsTest, SoomInAndZoomOutWriteResizedCopiesAndLeaveTheDocument) {
    openPicture(patternBitmap(5, 3), "small.bmp");
    const QImage before = lastDocument()->bitmap();
    form->test1->trigger();
    form->zoomOut1->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(loadBitmapFile("zoomin.bmp").size(), QSize(2, 1));
    EXPECT_EQ(loadBitmapFile("zoomout.bmp").size(), QSize(10, 6));
    EXPECT_EQ(lastDocument()->bitmap(), before);
    EXPECT_EQ(documentCount(), 1);
}

TEST_F(ViewToolsTest, ZoomOutBelowTwoByTwoIsRefusedWithoutWriting) {
    openPicture(patternBitmap(1, 3), "thin.bmp");
    form->zoomOut1->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(fs::exists("zoomout.bmp"));
}

TEST_F(ViewToolsTest, TestLeavesAFlatPictureUnchanged) {
    openPicture(flatBitmap(7, 6), "flat.bmp");
    const QImage before = lastDocument()->bitmap();
    const ImagePlanes planesBefore = lastDocument()->Planes->clone();
    form->Test2->trigger();
    EXPECT_EQ(lastDocument()->bitmap(), before);
    EXPECT_TRUE(samePlanes(*lastDocument()->Planes, planesBefore));
}

TEST_F(ViewToolsTest, TestSharpensTheDocumentWithinTheSampleRange) {
    openCopy(samplePath("astronaut.bmp"));
    const TMDIChild* document = lastDocument();
    const QImage before = document->bitmap();
    const ImagePlanes planesBefore = document->Planes->clone();
    form->Test2->trigger();
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    const ImagePlanes& planes = *document->Planes;
    EXPECT_FALSE(samePlanes(planes, planesBefore));
    EXPECT_NE(document->bitmap(), before);
    EXPECT_EQ(document->bitmap(), bitmapFromPlanes(planes)) << "the window shows the sharpened planes";
    for (int channel = 0; channel < kChannels; ++channel)
        for (int row = 1; row < planes.height() - 1; ++row)
            for (int column = 1; column < planes.width() - 1; ++column) {
                const float sample = planes.at(channel, row, column);
                ASSERT_TRUE(sample >= 0.0f && sample <= 255.0f) << channel << " " << row << " " << column;
            }
}

TEST_F(ViewToolsTest, JpegExperimentWindowWorksWithEveryCommand) {
    openPicture(patternBitmap(64, 48), "pattern.bmp");
    form->JPEG1->trigger();
    ASSERT_EQ(documentCount(), 2);
    TMDIChild* experiment = lastDocument();
    ASSERT_FALSE(experiment->Planes.has_value());

    form->test1->trigger();
    EXPECT_EQ(loadBitmapFile("zoomin.bmp").size(), QSize(32, 24));
    form->zoomOut1->trigger();
    EXPECT_EQ(loadBitmapFile("zoomout.bmp").size(), QSize(128, 96));
    form->Test2->trigger();
    ASSERT_TRUE(experiment->Planes.has_value());
    EXPECT_EQ(experiment->bitmap(), bitmapFromPlanes(*experiment->Planes));
    form->FileSave1->trigger();
    EXPECT_EQ(loadBitmapFile(dir.file("pattern~.bmp")), experiment->bitmap());

    for (QAction* command : {form->AJC1, form->AJC2, form->JPEG1}) {
        form->ClientArea->setActiveSubWindow(experiment);
        command->trigger();
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(documentCount(), 5);
    EXPECT_TRUE(fs::exists(dir.file("pattern~.avc")));
    EXPECT_TRUE(fs::exists(dir.file("pattern~.ajc")));
    EXPECT_TRUE(fs::exists(dir.file("pattern~.jpg")));
}

}  // namespace
}  // namespace brenlow::testing
