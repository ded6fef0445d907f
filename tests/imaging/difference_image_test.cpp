#include "imaging/difference_image.h"

#include <gtest/gtest.h>

#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

QImage onePixel(uchar red, uchar green, uchar blue) {
    QImage picture(1, 1, QImage::Format_BGR888);
    picture.scanLine(0)[0] = blue, picture.scanLine(0)[1] = green, picture.scanLine(0)[2] = red;
    return picture;
}

TEST(AmplifiedDifferenceTest, AbsoluteDifferenceTimesGainCappedAt255) {
    const QImage difference = amplifiedDifference(onePixel(10, 20, 200), onePixel(12, 20, 30), 8);
    EXPECT_EQ(difference.pixelColor(0, 0), QColor(16, 0, 255));
    EXPECT_EQ(amplifiedDifference(onePixel(12, 20, 30), onePixel(10, 20, 29), 1).pixelColor(0, 0), QColor(2, 0, 1));
}

TEST(AmplifiedDifferenceTest, CoversTheCommonAreaAlignedAtTheBottomLeft) {
    const QImage reference = testing::patternBitmap(9, 7);
    const QImage decoded = reference.copy(0, 1, 8, 6);  // without the top row and the right column
    const QImage difference = amplifiedDifference(reference, decoded, 4);
    EXPECT_EQ(difference.size(), QSize(8, 6));
    QImage black(8, 6, QImage::Format_BGR888);
    black.fill(Qt::black);
    EXPECT_EQ(difference, black);
    const auto [a, b] = commonAreaOf(reference, decoded);
    EXPECT_EQ(a, decoded);
    EXPECT_EQ(b, decoded);
}

TEST(AmplifiedDifferenceTest, RefusesOtherFormatsNoCommonAreaAndGainBelowOne) {
    const QImage picture = testing::patternBitmap(3, 3);
    EXPECT_THROW(amplifiedDifference(picture, picture.convertToFormat(QImage::Format_RGB32), 2), Error);
    EXPECT_THROW(amplifiedDifference(picture, QImage(0, 3, QImage::Format_BGR888), 2), Error);
    EXPECT_THROW(amplifiedDifference(picture, picture, 0), Error);
}

}  // namespace
}  // namespace brenlow
