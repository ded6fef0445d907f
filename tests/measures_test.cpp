#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "research/measures.h"
#include "imaging/quality_metrics.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kC1 = 6.5025;  // (0.01 * 255)^2

using PixelRule = std::function<void(int x, int y, uchar* bgr)>;

QImage pictureOf(int width, int height, const PixelRule& rule) {
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) rule(x, y, picture.scanLine(y) + 3 * x);
    return picture;
}

QImage flat(int width, int height, int red, int green, int blue) {
    return pictureOf(width, height, [&](int, int, uchar* p) {
        p[0] = static_cast<uchar>(blue), p[1] = static_cast<uchar>(green), p[2] = static_cast<uchar>(red);
    });
}

// The pair that tests/data/measures_reference.py measures; x counts from the left, y from the top.
void referencePixel(int x, int y, uchar* bgr) {
    bgr[2] = static_cast<uchar>((7 * x + 3 * y) % 256);
    bgr[1] = static_cast<uchar>((x * y + 11) % 256);
    bgr[0] = static_cast<uchar>((5 * x * x + y) % 256);
}

void distortedPixel(int x, int y, uchar* bgr) {
    referencePixel(x, y, bgr);
    const auto clamp = [](int v) { return static_cast<uchar>(std::clamp(v, 0, 255)); };
    bgr[2] = clamp(bgr[2] + (x + 2 * y) % 7 - 3);
    bgr[1] = clamp(bgr[1] - (3 * x + y) % 5);
    bgr[0] = clamp(bgr[0] + (x * y) % 9 - 4);
}

double lumaAt(const QImage& picture, int x, int y) {
    const uchar* p = picture.constScanLine(y) + 3 * x;
    return 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
}

// SSIM written straight from its definition: every 11 x 11 window summed in two dimensions.
double directSsim(const QImage& a, const QImage& b) {
    double g[11];
    double total = 0;
    for (int k = 0; k < 11; ++k) total += g[k] = std::exp(-(k - 5) * (k - 5) / 4.5);
    double sum = 0;
    int windows = 0;
    for (int top = 0; top + 11 <= a.height(); ++top) {
        for (int left = 0; left + 11 <= a.width(); ++left, ++windows) {
            double mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
            for (int i = 0; i < 11; ++i) {
                for (int j = 0; j < 11; ++j) {
                    const double w = g[i] * g[j] / (total * total);
                    const double p = lumaAt(a, left + j, top + i);
                    const double q = lumaAt(b, left + j, top + i);
                    mx += w * p, my += w * q, xx += w * p * p, yy += w * q * q, xy += w * p * q;
                }
            }
            const double c2 = 58.5225;
            sum += ((2 * mx * my + kC1) * (2 * (xy - mx * my) + c2)) /
                   ((mx * mx + my * my + kC1) * (xx - mx * mx + yy - my * my + c2));
        }
    }
    return sum / windows;
}

TEST(PictureMeasuresTest, IdenticalPicturesHaveInfinitePsnrAndSsimOne) {
    const QImage picture = testing::patternBitmap(40, 30);
    const PictureMeasures m = measurePictures(picture, picture);
    EXPECT_EQ(m.psnrRed, kInf);
    EXPECT_EQ(m.psnrGreen, kInf);
    EXPECT_EQ(m.psnrBlue, kInf);
    EXPECT_EQ(m.psnr, kInf);
    EXPECT_EQ(m.psnrLuma, kInf);
    EXPECT_EQ(m.ssimLuma, 1.0);
}

TEST(PictureMeasuresTest, OneChangedSampleCountsInItsChannelThePoolAndTheLuma) {
    const QImage reference = flat(16, 16, 100, 150, 200);
    QImage test = reference;
    test.scanLine(5)[3 * 7 + 2] = 110;  // red of one pixel, 10 higher
    const PictureMeasures m = measurePictures(reference, test);
    // MSE 100 / 256 in red: 10 log10(65025 * 256 / 100) = 10 log10(166464).
    EXPECT_NEAR(m.psnrRed, 52.2132032617976, 1e-9);
    EXPECT_EQ(m.psnrGreen, kInf);
    EXPECT_EQ(m.psnrBlue, kInf);
    // Pooled over 768 samples: 10 log10(65025 * 768 / 100).
    EXPECT_NEAR(m.psnr, 56.98441580899423, 1e-9);
    // The luma moves by 0.299 * 10 = 2.99: 10 log10(65025 * 256 / 2.99^2).
    EXPECT_NEAR(m.psnrLuma, 62.69977949530901, 1e-9);
    EXPECT_LT(m.ssimLuma, 1.0);
}

TEST(PictureMeasuresTest, ConstantOffsetGivesItsPsnrAndTheLuminanceTermOfSsim) {
    const PictureMeasures m = measurePictures(flat(16, 16, 100, 100, 100), flat(16, 16, 105, 105, 105));
    // MSE 25 everywhere: 10 log10(65025 / 25) = 10 log10(2601); the luma moves by 5 too.
    for (double psnr : {m.psnrRed, m.psnrGreen, m.psnrBlue, m.psnr, m.psnrLuma}) EXPECT_NEAR(psnr, 34.15140352195873, 1e-9);
    // No variance in either picture, so each window gives (2 * 100 * 105 + C1) / (100^2 + 105^2 + C1).
    EXPECT_NEAR(m.ssimLuma, (21000 + kC1) / (21025 + kC1), 1e-12);
}

TEST(PictureMeasuresTest, OffsetOnATexturedPictureKeepsItsPsnr) {
    const QImage reference = pictureOf(20, 20, [](int x, int y, uchar* p) { p[0] = p[1] = p[2] = static_cast<uchar>(40 + 5 * ((x + y) % 9)); });
    const QImage test = pictureOf(20, 20, [](int x, int y, uchar* p) { p[0] = p[1] = p[2] = static_cast<uchar>(43 + 5 * ((x + y) % 9)); });
    const PictureMeasures m = measurePictures(reference, test);
    EXPECT_NEAR(m.psnr, 10 * std::log10(65025.0 / 9), 1e-9);
    EXPECT_NEAR(m.ssimLuma, directSsim(reference, test), 1e-12);
}

TEST(PictureMeasuresTest, MatchesFiguresComputedIndependentlyInPlainPython) {
    // Figures printed by tests/data/measures_reference.py for this pair.
    const QImage reference = pictureOf(23, 17, referencePixel);
    const QImage test = pictureOf(23, 17, distortedPixel);
    const PictureMeasures m = measurePictures(reference, test);
    EXPECT_NEAR(m.psnrRed, 42.149254200935, 1e-9);
    EXPECT_NEAR(m.psnrGreen, 40.358557045672, 1e-9);
    EXPECT_NEAR(m.psnrBlue, 39.223835346550, 1e-9);
    EXPECT_NEAR(m.psnr, 40.415824741363, 1e-9);
    EXPECT_NEAR(m.psnrLuma, 43.812888938261, 1e-9);
    EXPECT_NEAR(m.ssimLuma, 0.997825885971, 1e-11);
}

TEST(PictureMeasuresTest, SsimOfALargePictureEqualsTheDirectWindowSum) {
    // Tall enough to be split into bands on several threads.
    const QImage reference = testing::patternBitmap(57, 300);
    const QImage test = pictureOf(57, 300, [&](int x, int y, uchar* p) {
        const uchar* r = reference.constScanLine(y) + 3 * x;
        for (int byte = 0; byte < 3; ++byte) p[byte] = static_cast<uchar>(std::clamp(r[byte] + (x * 7 + y * 3 + byte) % 23 - 11, 0, 255));
    });
    const PictureMeasures m = measurePictures(reference, test);
    EXPECT_NEAR(m.ssimLuma, directSsim(reference, test), 1e-12);
    EXPECT_GT(m.ssimLuma, 0.0);
    EXPECT_LT(m.ssimLuma, 1.0);
}

TEST(PictureMeasuresTest, PicturesOfDifferentSizesMeetAtTheBottomLeftCorner) {
    // The decoded picture of an odd-sized source lacks the source's top row and right column.
    const QImage reference = testing::patternBitmap(21, 15);
    const QImage test = reference.copy(0, 1, 20, 14);
    const PictureMeasures m = measurePictures(reference, test);
    EXPECT_EQ(m.psnr, kInf);
    EXPECT_EQ(m.ssimLuma, 1.0);
    const SnrTriple snr = ChannelSnr(reference, test);
    EXPECT_EQ(snr.red, -1.0) << "the signal-to-noise ratios align the same way";
}

TEST(PictureMeasuresTest, SsimIsUndefinedBelowTheWindowSize) {
    const PictureMeasures m = measurePictures(flat(10, 30, 1, 2, 3), flat(10, 30, 1, 2, 4));
    EXPECT_TRUE(std::isnan(m.ssimLuma));
    EXPECT_TRUE(std::isfinite(m.psnrBlue));
}

TEST(PictureMeasuresTest, RefusesOtherFormatsAndPicturesWithNothingInCommon) {
    const QImage picture = testing::patternBitmap(4, 4);
    EXPECT_THROW(measurePictures(picture, picture.convertToFormat(QImage::Format_RGB32)), Error);
    EXPECT_THROW(measurePictures(picture, QImage(0, 0, QImage::Format_BGR888)), Error);
}

TEST(BitsPerPixelTest, CodedBitsOverSourcePixels) {
    EXPECT_EQ(bitsPerPixel(24000, 512, 512), 0.732421875);
    EXPECT_EQ(bitsPerPixel(0, 3, 1), 0.0);
    EXPECT_THROW(bitsPerPixel(10, 0, 5), Error);
}

TEST(FormatMeasureTest, FixedDecimalsWithAFullStopAndWordsForTheSpecialValues) {
    EXPECT_EQ(formatMeasure(52.2132032617976, 3), "52.213");
    EXPECT_EQ(formatMeasure(0.99881130699, 5), "0.99881");
    EXPECT_EQ(formatMeasure(kInf, 3), "inf");
    EXPECT_EQ(formatMeasure(std::numeric_limits<double>::quiet_NaN(), 3), "n/a");
}

}  // namespace
}  // namespace brenlow
