#include <gtest/gtest.h>

#include "imaging/bitmap_bridge.h"
#include "imaging/quality_metrics.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

ImagePlanes onePixel(float red, float green, float blue) {
    ImagePlanes planes(1, 1);
    planes.red()[0] = red;
    planes.green()[0] = green;
    planes.blue()[0] = blue;
    return planes;
}

TEST(ChannelSnrTest, IdenticalPicturesGiveMinusOneEverywhere) {
    const ImagePlanes a = testing::constantPlanes(4, 4, 30.0f);
    const SnrTriple snr = ChannelSnr(a, a);
    EXPECT_EQ(snr.red, -1.0);
    EXPECT_EQ(snr.green, -1.0);
    EXPECT_EQ(snr.blue, -1.0);
}

TEST(ChannelSnrTest, RatioOfSignalToErrorEnergyPerChannel) {
    const SnrTriple snr = ChannelSnr(onePixel(10, 20, 30), onePixel(11, 20, 28));
    EXPECT_EQ(snr.red, 100.0);
    EXPECT_EQ(snr.green, -1.0);
    EXPECT_EQ(snr.blue, 225.0);
}

TEST(ChannelSnrTest, BlackReferenceGivesZero) {
    const SnrTriple snr = ChannelSnr(onePixel(0, 0, 0), onePixel(3, 0, 1));
    EXPECT_EQ(snr.red, 0.0);
    EXPECT_EQ(snr.green, -1.0);
    EXPECT_EQ(snr.blue, 0.0);
}

TEST(ChannelSnrTest, PicturesOfDifferentSizesAreComparedOverTheCommonArea) {
    ImagePlanes reference = testing::constantPlanes(3, 3, 10.0f);
    ImagePlanes test = testing::constantPlanes(2, 2, 10.0f);
    reference.at(0, 2, 0) = 99.0f;  // outside the common area
    reference.at(0, 0, 2) = 99.0f;
    test.at(0, 1, 1) = 11.0f;       // inside it, indexed by the test picture's own row length
    const SnrTriple snr = ChannelSnr(reference, test);
    EXPECT_EQ(snr.red, 4 * 100.0 / 1.0);
    EXPECT_EQ(snr.green, -1.0);
}

TEST(ChannelSnrTest, BitmapsGiveExactlyTheRatiosOfTheirPlanes) {
    const QImage reference = testing::patternBitmap(301, 263);
    QImage test = testing::patternBitmap(300, 270);
    for (int y = 0; y < test.height(); ++y) {
        for (int x = 0; x < test.width() * 3; x += 7) {
            test.scanLine(y)[x] = static_cast<uchar>(test.scanLine(y)[x] + (x + y) % 5);
        }
    }
    const SnrTriple fromBitmaps = ChannelSnr(reference, test);
    const SnrTriple fromPlanes = ChannelSnr(planesFromBitmap(reference), planesFromBitmap(test));
    EXPECT_EQ(fromBitmaps.red, fromPlanes.red);
    EXPECT_EQ(fromBitmaps.green, fromPlanes.green);
    EXPECT_EQ(fromBitmaps.blue, fromPlanes.blue);
    EXPECT_NE(fromBitmaps.blue, -1.0);
    EXPECT_EQ(ChannelSnr(reference, reference).red, -1.0);
}

TEST(FormatRatioTest, FiveSignificantDigitsInFixedNotation) {
    EXPECT_EQ(FormatRatio(32.770248), "32.770");
    EXPECT_EQ(FormatRatio(5.1), "5.1000");
    EXPECT_EQ(FormatRatio(100.5), "100.50");
    EXPECT_EQ(FormatRatio(2.0), "2.0000");
    EXPECT_EQ(FormatRatio(0.5), ".50000");
    EXPECT_EQ(FormatRatio(12345.6), "12346.");
    EXPECT_EQ(FormatRatio(10.0), "10.000");
    EXPECT_EQ(FormatRatio(99999.4), "99999.");
}

TEST(FormatRatioTest, TiesGoToEvenAndCarriesMoveThePoint) {
    EXPECT_EQ(FormatRatio(12344.5), "12344.");
    EXPECT_EQ(FormatRatio(12345.5), "12346.");
    EXPECT_EQ(FormatRatio(9.99996), "10.000");
    EXPECT_EQ(FormatRatio(99999.6), "100000.");
}

TEST(FormatRatioTest, ValuesOutsideTheUsualRangeKeepFiveSignificantDigits) {
    EXPECT_EQ(FormatRatio(0.0123456), ".012346");
    EXPECT_EQ(FormatRatio(123456.0), "123460.");
}

TEST(ReportLineTest, FullFormToTheCharacter) {
    const CompressionFigures figures = makeFigures(786486, 24000);
    EXPECT_EQ(figures.compressionRatio, 32.77025f);
    const SnrTriple snr{1234.5678, 987.6543, 2000.0};
    EXPECT_EQ(fullReportLine(figures, snr),
              "Ratio: 32.770; File size: 24000; Original size: 786486 SNR_R=1234.568; SNR_G=987.654; SNR_B=2000.000;");
}

TEST(ReportLineTest, ShortFormEndsWithTheOriginalSize) {
    EXPECT_EQ(shortReportLine(makeFigures(786486, 24000)), "Ratio: 32.770; File size: 24000; Original size: 786486");
}

TEST(ReportLineTest, SentinelAndFloatRoundingOfTheRatios) {
    EXPECT_EQ(formatSnr(-1.0), "-1.000");
    // As doubles these would print 1234.566 and 2000.001; the floats they round to print otherwise.
    EXPECT_EQ(formatSnr(1234.5665), "1234.567");
    EXPECT_EQ(formatSnr(2000.0005), "2000.000");
}

TEST(ReportLineTest, EmptyCodedFileHasNoRatio) { EXPECT_THROW(makeFigures(100, 0), Error); }

// Files of 4 GiB and more keep their whole size: in the figures, the ratio and the report line alike.
TEST(ReportLineTest, SizesBeyondThirtyTwoBitsAreKeptWhole) {
    const std::uint64_t coded = 4294967396ull;  // 2^32 + 100
    const std::uint64_t original = 3u * 65536ull * 65536ull + 54;
    const CompressionFigures figures = makeFigures(original, coded);
    EXPECT_EQ(figures.codedSize, coded);
    EXPECT_EQ(figures.originalSize, original);
    EXPECT_FLOAT_EQ(figures.compressionRatio, static_cast<float>(static_cast<double>(original) / coded));
    EXPECT_EQ(shortReportLine(figures), "Ratio: 3.0000; File size: 4294967396; Original size: 12884901942");
}

}  // namespace
}  // namespace brenlow
