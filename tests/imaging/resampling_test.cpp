#include <gtest/gtest.h>

#include "imaging/resampling.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

ImagePlanes planesFromRows(int width, int height, std::initializer_list<float> samples) {
    ImagePlanes planes(width, height);
    for (int channel = 0; channel < kChannels; ++channel) {
        std::copy(samples.begin(), samples.end(), planes.plane(channel));
    }
    return planes;
}

TEST(HalveImageTest, IgnoresFourthSampleOfCell) {
    const ImagePlanes source = planesFromRows(2, 2, {8, 4, 0, 100});
    ImagePlanes half(1, 1);
    HalveImage(source, half);
    EXPECT_EQ(half.red()[0], 5.0f);
    EXPECT_EQ(half.blue()[0], 5.0f);
}

TEST(HalveImageTest, OddLastRowAndColumnAreNeverRead) {
    ImagePlanes source = testing::constantPlanes(5, 3, 10.0f);
    for (int row = 0; row < 3; ++row) {
        source.at(1, row, 4) = 1000.0f;
    }
    for (int column = 0; column < 5; ++column) {
        source.at(1, 2, column) = 1000.0f;
    }
    ImagePlanes half(2, 1);
    HalveImage(source, half);
    EXPECT_EQ(half.green()[0], 10.0f);
    EXPECT_EQ(half.green()[1], 10.0f);
}

TEST(HalveImageTest, WeighsCornerHalfAndNeighboursAQuarterInDouble) {
    const ImagePlanes source = planesFromRows(2, 2, {1.0f, 2.0f, 16777216.0f, 0.0f});
    ImagePlanes half(1, 1);
    HalveImage(source, half);
    EXPECT_EQ(half.red()[0], static_cast<float>(0.5 + 0.5 + 4194304.0));
}

TEST(HalveImageTest, RefusesWrongDestinationSize) {
    const ImagePlanes source = testing::constantPlanes(5, 3, 1.0f);
    ImagePlanes wrong(3, 1);
    EXPECT_THROW(HalveImage(source, wrong), Error);
}

TEST(EnlargeImageTest, ConstantSourceLeavesOnlyTheCornerAtSevenAndAHalf) {
    const ImagePlanes source = testing::constantPlanes(2, 2, 10.0f);
    ImagePlanes large(4, 4);
    EnlargeImage(source, large, 2.0f);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const float expected = (row == 3 && column == 3) ? 7.5f : 10.0f;
            EXPECT_EQ(large.at(0, row, column), expected) << row << "," << column;
        }
    }
}

TEST(EnlargeImageTest, FillPassTreatsSeededZerosAsHolesAndSeesEarlierFills) {
    const ImagePlanes source = planesFromRows(2, 2, {0, 40, 80, 120});
    ImagePlanes large(4, 4);
    EnlargeImage(source, large, 2.0f);
    const float expected[4][4] = {{15, 20, 10, 20},
                                  {40, 6.25f, 40, 12.5f},
                                  {21.5625f, 20, 4.6875f, 20},
                                  {40, 26.5625f, 40, 16.171875f}};
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                EXPECT_EQ(large.at(channel, row, column), expected[row][column]) << row << "," << column;
            }
        }
    }
}

TEST(EnlargeImageTest, ZerosAreSmoothedOnlyInTheirOwnChannel) {
    ImagePlanes source = testing::constantPlanes(3, 3, 50.0f);
    for (std::size_t i = 0; i < source.sampleCount(); ++i) {
        source.green()[i] = 0.0f;
    }
    ImagePlanes large(6, 6);
    EnlargeImage(source, large, 2.0f);
    for (std::size_t i = 0; i < large.sampleCount(); ++i) {
        EXPECT_EQ(large.green()[i], 0.0f);
        EXPECT_GT(large.red()[i], 0.0f);
    }
}

TEST(EnlargeImageTest, EnlargedPictureIsShiftedTowardHigherRowsAndColumns) {
    ImagePlanes source = testing::constantPlanes(3, 3, 10.0f);
    source.at(0, 1, 1) = 90.0f;  // only the centre differs
    ImagePlanes large(6, 6);
    EnlargeImage(source, large, 2.0f);
    EXPECT_EQ(large.at(0, 4, 4), 90.0f);  // a plain doubling would put it at (2, 2)
    EXPECT_EQ(large.at(0, 2, 2), 10.0f);
}

TEST(EnlargeImageTest, RefusesTinySourcesWrongSizesAndOtherFactors) {
    ImagePlanes tinyTarget(2, 4);
    EXPECT_THROW(EnlargeImage(testing::constantPlanes(1, 2, 1.0f), tinyTarget, 2.0f), Error);
    ImagePlanes wrong(4, 5);
    EXPECT_THROW(EnlargeImage(testing::constantPlanes(2, 2, 1.0f), wrong, 2.0f), Error);
    ImagePlanes large(6, 6);
    EXPECT_THROW(EnlargeImage(testing::constantPlanes(2, 2, 1.0f), large, 3.0f), Error);
}

}  // namespace
}  // namespace brenlow
