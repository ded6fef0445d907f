#include "codecs/document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "codecs/view_tools.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(RouteDocumentTest, MarkersAnywhereCaseSensitiveFirstMatchWins) {
    TempDir dir;
    for (const char* name : {"a.avc.bmp", "a.avc.avc", "b.ajc", "c.jpg", "PIC.AVC", "d.jpeg", "e.jpg.ajc"}) {
        std::ofstream(dir.file(name)) << "x";
    }
    EXPECT_EQ(routeDocument(dir.file("a.avc.bmp")), DocumentRoute::AvcStill);
    EXPECT_EQ(routedFileName(dir.file("a.avc.bmp"), DocumentRoute::AvcStill), dir.file("a.avc.avc"));
    EXPECT_EQ(routeDocument(dir.file("b.ajc")), DocumentRoute::AjcStill);
    EXPECT_EQ(routeDocument(dir.file("c.jpg")), DocumentRoute::Jpeg);
    EXPECT_EQ(routeDocument(dir.file("PIC.AVC")), DocumentRoute::Bitmap);
    EXPECT_EQ(routeDocument(dir.file("d.jpeg")), DocumentRoute::Bitmap);
    EXPECT_EQ(routeDocument(dir.file("e.jpg.ajc")), DocumentRoute::AjcStill);
    EXPECT_EQ(routeDocument(dir.file("missing.avc")), DocumentRoute::Missing);
}

// The file read for a name is derived from it; when that file is missing the message says how.
TEST(RouteDocumentTest, AMissingDerivedFileIsExplained) {
    TempDir dir;
    std::ofstream(dir.file("q.avc.bak")) << "x";
    try {
        routedFileName(dir.file("q.avc.bak"), routeDocument(dir.file("q.avc.bak")));
        FAIL() << "a missing file was routed to";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open \"" + dir.file("q.avc.avc") + "\", read for \"" +
                                                 dir.file("q.avc.bak") +
                                                 "\" (the name less its last four characters, plus \".avc\"): no such file");
    }
}

TEST(SaveTargetTest, DocumentsThatAreNoBitmapsSaveBesideTheirFile) {
    EXPECT_EQ(saveTargetFor("img/photo.jpg"), "img/photo~.bmp");
    EXPECT_EQ(saveTargetFor("img/a.bmp"), "img/a.bmp");
    TempDir dir;
    ASSERT_TRUE(testing::patternBitmap(5, 4).save(QString::fromStdString(dir.file("p.png")), "PNG"));
    EXPECT_EQ(saveTargetFor(dir.file("p.png")), dir.file("p~.bmp"));
    saveBitmapFile(testing::patternBitmap(5, 4), dir.file("bitmap.png"));
    EXPECT_EQ(saveTargetFor(dir.file("bitmap.png")), dir.file("bitmap.png"));
}

TEST(OpenPictureDocumentTest, PlanesMatchBitmapAndBadFilesThrow) {
    TempDir dir;
    saveBitmapFile(testing::patternBitmap(7, 5), dir.file("p.bmp"));
    const PictureDocument document = openPictureDocument(dir.file("p.bmp"));
    EXPECT_EQ(document.caption, dir.file("p.bmp"));
    EXPECT_EQ(bitmapFromPlanes(document.planes), document.bitmap);
    EXPECT_THROW(openPictureDocument(dir.file("none.bmp")), Error);
}

TEST(ViewToolsTest, ZoomSizesAndRefusals) {
    TempDir dir;
    writeZoomIn(testing::constantPlanes(5, 3, 9.0f), dir.file("in.bmp"));
    writeZoomOut(testing::constantPlanes(5, 3, 9.0f), dir.file("out.bmp"));
    EXPECT_EQ(loadBitmapFile(dir.file("in.bmp")).size(), QSize(2, 1));
    EXPECT_EQ(loadBitmapFile(dir.file("out.bmp")).size(), QSize(10, 6));

    EXPECT_THROW(writeZoomOut(testing::constantPlanes(1, 5, 9.0f), dir.file("thin.bmp")), Error);
    EXPECT_THROW(writeZoomIn(testing::constantPlanes(1, 5, 9.0f), dir.file("thin.bmp")), Error);
    EXPECT_FALSE(fs::exists(dir.file("thin.bmp")));
}

}  // namespace
}  // namespace brenlow
