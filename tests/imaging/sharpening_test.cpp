#include <gtest/gtest.h>

#include "imaging/sharpening.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

TEST(SharpenImageTest, RaisesAnIsolatedPeakByTwentyFortyEighths) {
    ImagePlanes planes = testing::constantPlanes(3, 3, 0.0f);
    planes.at(0, 1, 1) = 100.0f;
    SharpenImage(planes, 0.125f);
    EXPECT_EQ(planes.at(0, 1, 1), 141.66667f);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (row != 1 || column != 1) {
                EXPECT_EQ(planes.at(0, row, column), 0.0f);
            }
        }
    }
}

TEST(SharpenImageTest, ClampsNegativeNeighboursToZero) {
    ImagePlanes planes = testing::constantPlanes(5, 5, 0.0f);
    planes.at(2, 2, 2) = 100.0f;
    SharpenImage(planes, 0.125f);
    EXPECT_EQ(planes.at(2, 2, 2), 141.66667f);
    for (int row = 1; row <= 3; ++row) {
        for (int column = 1; column <= 3; ++column) {
            if (row != 2 || column != 2) {
                EXPECT_EQ(planes.at(2, row, column), 0.0f) << row << "," << column;
            }
        }
    }
}

TEST(SharpenImageTest, ClampsAtTwoHundredFiftyFive) {
    ImagePlanes planes = testing::constantPlanes(3, 3, 250.0f);
    planes.at(1, 1, 1) = 255.0f;
    SharpenImage(planes, 1.0f);
    EXPECT_EQ(planes.at(1, 1, 1), 255.0f);
}

TEST(SharpenImageTest, LeavesBordersUntouchedEvenOutOfRange) {
    ImagePlanes planes = testing::constantPlanes(4, 4, 100.0f);
    planes.at(0, 0, 0) = -30.0f;
    planes.at(0, 3, 2) = 400.0f;
    SharpenImage(planes, 0.125f);
    EXPECT_EQ(planes.at(0, 0, 0), -30.0f);
    EXPECT_EQ(planes.at(0, 3, 2), 400.0f);
    EXPECT_GE(planes.at(0, 1, 1), 0.0f);
    EXPECT_LE(planes.at(0, 2, 2), 255.0f);
}

TEST(SharpenImageTest, ConstantPictureIsUnchanged) {
    ImagePlanes planes = testing::constantPlanes(6, 5, 77.0f);
    SharpenImage(planes, 0.125f);
    for (int channel = 0; channel < kChannels; ++channel) {
        for (std::size_t i = 0; i < planes.sampleCount(); ++i) {
            EXPECT_EQ(planes.plane(channel)[i], 77.0f);
        }
    }
}

TEST(SharpenImageTest, ReadsNeighboursFromBeforeThePass) {
    ImagePlanes planes = testing::constantPlanes(4, 3, 0.0f);
    planes.at(0, 1, 1) = 48.0f;
    planes.at(0, 1, 2) = 48.0f;
    SharpenImage(planes, 0.125f);
    // Both peaks see the other's original value, so the result is symmetric.
    EXPECT_EQ(planes.at(0, 1, 1), planes.at(0, 1, 2));
    EXPECT_EQ(planes.at(0, 1, 1), 48.0f + (20 * 48.0f - 4 * 48.0f) / 48.0f);
}

TEST(SharpenImageTest, ThinPicturesAreReturnedUnchanged) {
    ImagePlanes twoRows = testing::constantPlanes(5, 2, 0.0f);
    twoRows.at(0, 1, 2) = 100.0f;
    SharpenImage(twoRows, 0.125f);
    EXPECT_EQ(twoRows.at(0, 1, 2), 100.0f);
    ImagePlanes twoColumns = testing::constantPlanes(2, 5, 0.0f);
    twoColumns.at(0, 2, 1) = 100.0f;
    SharpenImage(twoColumns, 0.125f);
    EXPECT_EQ(twoColumns.at(0, 2, 1), 100.0f);
}

}  // namespace
}  // namespace brenlow
