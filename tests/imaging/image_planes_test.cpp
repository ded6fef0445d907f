#include <gtest/gtest.h>

#include "imaging/bitmap_bridge.h"
#include "imaging/image_planes.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

TEST(BitmapToPlanesTest, TopLeftPixelLandsInTheLastPlaneRow) {
    QImage bitmap(4, 3, QImage::Format_BGR888);
    bitmap.fill(Qt::black);
    bitmap.scanLine(0)[2] = 255;  // red byte of the top-left pixel
    ImagePlanes planes(4, 3);
    BitmapToPlanes(bitmap, planes);
    for (std::size_t i = 0; i < planes.sampleCount(); ++i) {
        EXPECT_EQ(planes.red()[i], i == 2 * 4 ? 255.0f : 0.0f) << "index " << i;
        EXPECT_EQ(planes.green()[i], 0.0f);
        EXPECT_EQ(planes.blue()[i], 0.0f);
    }
}

TEST(BitmapToPlanesTest, ChannelsComeFromBlueGreenRedBytes) {
    QImage bitmap(1, 1, QImage::Format_BGR888);
    bitmap.scanLine(0)[0] = 10;
    bitmap.scanLine(0)[1] = 20;
    bitmap.scanLine(0)[2] = 30;
    const ImagePlanes planes = planesFromBitmap(bitmap);
    EXPECT_EQ(planes.blue()[0], 10.0f);
    EXPECT_EQ(planes.green()[0], 20.0f);
    EXPECT_EQ(planes.red()[0], 30.0f);
}

TEST(BitmapToPlanesTest, RoundTripKeepsEveryByte) {
    const QImage original = testing::patternBitmap(7, 5);
    const QImage copy = bitmapFromPlanes(planesFromBitmap(original));
    EXPECT_EQ(copy, original);
}

TEST(BitmapToPlanesTest, RefusesMismatchedSizesAndDepths) {
    ImagePlanes planes(3, 3);
    EXPECT_THROW(BitmapToPlanes(testing::patternBitmap(4, 3), planes), Error);
    QImage wrongDepth(3, 3, QImage::Format_RGB32);
    EXPECT_THROW(BitmapToPlanes(wrongDepth, planes), Error);
    QImage bitmap = testing::patternBitmap(3, 2);
    EXPECT_THROW(PlanesToBitmap(bitmap, planes), Error);
}

TEST(PlanesToBitmapTest, NarrowingTruncatesAndKeepsTheLowEightBits) {
    const float values[] = {127.9f, -0.5f, -2.0f, 255.0f, 511.0f, 512.0f, 254.99f, -0.7f, -1.0f, 256.0f, 300.5f};
    const int expected[] = {127, 0, 254, 255, 255, 0, 254, 0, 255, 0, 44};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(narrowSample(values[i]), expected[i]) << values[i];
    }
}

TEST(PlanesToBitmapTest, NarrowingOfValuesBeyondAnyIntegerGivesZero) {
    EXPECT_EQ(narrowSample(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(narrowSample(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(narrowSample(-1e30f), 0);
}

TEST(PlanesToBitmapTest, WritesPlaneRowZeroToTheBottomPictureRow) {
    ImagePlanes planes = testing::constantPlanes(2, 2, 0.0f);
    planes.at(0, 0, 1) = 200.0f;  // red, bottom row, right column
    const QImage bitmap = bitmapFromPlanes(planes);
    EXPECT_EQ(bitmap.constScanLine(1)[3 + 2], 200);
    EXPECT_EQ(bitmap.constScanLine(0)[3 + 2], 0);
}

TEST(ImagePlanesTest, CloneIsIndependentAndMoveTransfersOwnership) {
    ImagePlanes planes = testing::constantPlanes(3, 2, 5.0f);
    ImagePlanes copy = planes.clone();
    copy.at(2, 1, 1) = 9.0f;
    EXPECT_EQ(planes.at(2, 1, 1), 5.0f);
    ImagePlanes moved = std::move(planes);
    EXPECT_EQ(moved.width(), 3);
    EXPECT_EQ(moved.at(1, 0, 0), 5.0f);
}

TEST(ImagePlanesTest, RefusesNegativeAndOversizedPictures) {
    EXPECT_THROW(ImagePlanes(-1, 4), Error);
    EXPECT_THROW(ImagePlanes(20000, 20000), Error);
}

}  // namespace
}  // namespace brenlow
