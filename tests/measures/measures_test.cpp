#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "imaging/quality_metrics.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "measures/butteraugli.h"
#include "measures/colour_difference.h"
#include "measures/measures.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kC1 = 6.5025;  // (0.01 * 255)^2
const MeasureChoice kWithoutButteraugli = MeasureChoice::only({"ms_ssim", "ciede2000"});

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

// The larger pair of the reference script, for MS-SSIM and CIEDE2000.
void heavilyDistortedPixel(int x, int y, uchar* bgr) {
    referencePixel(x, y, bgr);
    const auto clamp = [](int v) { return static_cast<uchar>(std::clamp(v, 0, 255)); };
    bgr[2] = clamp(bgr[2] + 6 * ((x + 2 * y) % 7 - 3));
    bgr[1] = clamp(bgr[1] - 5 * ((3 * x + y) % 5));
    bgr[0] = clamp(bgr[0] + 3 * ((x * y) % 9 - 4));
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

QImage withNoise(const QImage& picture, int amplitude) {
    return pictureOf(picture.width(), picture.height(), [&](int x, int y, uchar* p) {
        const uchar* source = picture.constScanLine(y) + 3 * x;
        const int offset = ((x * 37 + y * 91) % 17 - 8) * amplitude / 8;
        for (int byte = 0; byte < 3; ++byte) p[byte] = static_cast<uchar>(std::clamp(source[byte] + offset, 0, 255));
    });
}

TEST(PerceptualMeasuresTest, IdenticalPicturesHaveNoDifference) {
    const QImage picture = testing::patternBitmap(190, 180);
    const PictureMeasures m = measurePictures(picture, picture);
    EXPECT_EQ(m.msSsimLuma, 1.0);
    EXPECT_EQ(m.msSsimLumaDb, kInf);
    EXPECT_EQ(m.ciede2000, 0.0);
    if (butteraugliAvailable()) {
        EXPECT_EQ(m.butteraugliMax, 0.0);
        EXPECT_EQ(m.butteraugli3Norm, 0.0);
    } else {
        EXPECT_TRUE(std::isnan(m.butteraugliMax) && std::isnan(m.butteraugli3Norm));
    }
}

TEST(PerceptualMeasuresTest, MatchesFiguresComputedIndependentlyInPlainPython) {
    // Figures printed by tests/data/measures_reference.py for its five-scale pair.
    const QImage reference = pictureOf(180, 178, referencePixel);
    const QImage test = pictureOf(180, 178, heavilyDistortedPixel);
    const PictureMeasures m = measurePictures(reference, test, kWithoutButteraugli);
    EXPECT_NEAR(m.msSsimLuma, 0.997998348129, 1e-12);
    EXPECT_NEAR(m.msSsimLumaDb, 26.986114532114, 27.0 * 1e-9);
    EXPECT_NEAR(m.ciede2000, 4.461013168433, 4.46 * 1e-9);
}

TEST(PerceptualMeasuresTest, ChoosingFewerMeasuresLeavesThemOutAndTheOthersUnchanged) {
    const QImage reference = pictureOf(180, 178, referencePixel);
    const QImage test = pictureOf(180, 178, heavilyDistortedPixel);
    const PictureMeasures all = measurePictures(reference, test);
    const PictureMeasures few = measurePictures(reference, test, MeasureChoice::none());
    for (double leftOut : {few.msSsimLuma, few.msSsimLumaDb, few.ciede2000, few.butteraugliMax, few.butteraugli3Norm})
        EXPECT_TRUE(std::isnan(leftOut));
    EXPECT_EQ(few.psnr, all.psnr);
    EXPECT_EQ(few.psnrLuma, all.psnrLuma);
    EXPECT_EQ(few.ssimLuma, all.ssimLuma);
}

TEST(PerceptualMeasuresTest, MsSsimNeedsFiveScalesOfAtLeastAWindow) {
    const auto pair = [](int width, int height) {
        const QImage reference = testing::patternBitmap(width, height);
        return measurePictures(reference, withNoise(reference, 8));
    };
    const PictureMeasures narrow = pair(175, 200);
    EXPECT_TRUE(std::isnan(narrow.msSsimLuma));
    EXPECT_EQ(formatMeasure(narrow.msSsimLumaDb, 3), "n/a");
    EXPECT_TRUE(std::isfinite(narrow.ssimLuma));
    EXPECT_GT(narrow.ciede2000, 0.0);
    EXPECT_TRUE(std::isnan(pair(200, 175).msSsimLuma));
    const PictureMeasures smallest = pair(176, 176);
    EXPECT_GT(smallest.msSsimLuma, 0.0);
    EXPECT_LT(smallest.msSsimLuma, 1.0);
}

// Luma with row 0 at the top, as most pictures and implementations count rows.
using TopDownPlane = std::vector<std::vector<double>>;

TopDownPlane topDownLuma(const QImage& picture) {
    TopDownPlane plane(static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) plane[static_cast<std::size_t>(y)].push_back(lumaAt(picture, x, y));
    return plane;
}

// 2 x 2 means from the top-left corner; an odd last row or column is simply not reached.
TopDownPlane topDownHalf(const TopDownPlane& p) {
    TopDownPlane half(p.size() / 2, std::vector<double>(p[0].size() / 2));
    for (std::size_t r = 0; r < half.size(); ++r)
        for (std::size_t c = 0; c < half[r].size(); ++c)
            half[r][c] = (p[2 * r][2 * c] + p[2 * r][2 * c + 1] + p[2 * r + 1][2 * c] + p[2 * r + 1][2 * c + 1]) / 4;
    return half;
}

// Mean contrast-structure and luminance terms, every 11 x 11 window summed in two dimensions.
std::pair<double, double> directTerms(const TopDownPlane& a, const TopDownPlane& b) {
    double g[11];
    double total = 0;
    for (int k = 0; k < 11; ++k) total += g[k] = std::exp(-(k - 5) * (k - 5) / 4.5);
    double cs = 0, l = 0;
    int windows = 0;
    for (std::size_t top = 0; top + 11 <= a.size(); ++top) {
        for (std::size_t left = 0; left + 11 <= a[0].size(); ++left, ++windows) {
            double mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
            for (std::size_t i = 0; i < 11; ++i) {
                for (std::size_t j = 0; j < 11; ++j) {
                    const double w = g[i] * g[j] / (total * total);
                    const double p = a[top + i][left + j], q = b[top + i][left + j];
                    mx += w * p, my += w * q, xx += w * p * p, yy += w * q * q, xy += w * p * q;
                }
            }
            const double c2 = 58.5225;
            cs += (2 * (xy - mx * my) + c2) / (xx - mx * mx + yy - my * my + c2);
            l += (2 * mx * my + kC1) / (mx * mx + my * my + kC1);
        }
    }
    return {cs / windows, l / windows};
}

double directMsSsim(const QImage& reference, const QImage& test) {
    const double weights[5] = {0.0448, 0.2856, 0.3001, 0.2363, 0.1333};
    TopDownPlane a = topDownLuma(reference), b = topDownLuma(test);
    double product = 1;
    for (int scale = 0; scale < 5; ++scale) {
        const auto [cs, l] = directTerms(a, b);
        product *= std::pow(std::max(cs, 0.0), weights[scale]);
        if (scale == 4) product *= std::pow(l, weights[scale]);
        a = topDownHalf(a), b = topDownHalf(b);
    }
    return product;
}

TEST(PerceptualMeasuresTest, MsSsimDropsTheBottomRowAndRightColumnOfOddScalesAsTopDownVersionsDo) {
    // 451 x 300 halves to 225 x 150, 112 x 75, 56 x 37 and 28 x 18: odd widths and odd heights both
    // come up, and the noise is uneven from top to bottom so that the dropped row matters.
    const QImage photo = loadBitmapFile(std::string(BRENLOW_TEST_DATA_DIR) + "/chelsea.bmp");
    ASSERT_EQ(photo.size(), QSize(451, 300));
    const QImage noisy = pictureOf(photo.width(), photo.height(), [&](int x, int y, uchar* p) {
        const uchar* source = photo.constScanLine(y) + 3 * x;
        const int offset = ((x * 37 + y * 91) % 17 - 8) * (1 + y / 40);
        for (int byte = 0; byte < 3; ++byte) p[byte] = static_cast<uchar>(std::clamp(source[byte] + offset, 0, 255));
    });
    const auto upsideDown = [](const QImage& picture) {
        return pictureOf(picture.width(), picture.height(), [&](int x, int y, uchar* p) {
            std::copy_n(picture.constScanLine(picture.height() - 1 - y) + 3 * x, 3, p);
        });
    };
    const MeasureChoice msSsimOnly = MeasureChoice::only({"ms_ssim"});
    for (const auto& [reference, test] : {std::pair{photo, noisy}, std::pair{upsideDown(photo), upsideDown(noisy)}})
        EXPECT_NEAR(measurePictures(reference, test, msSsimOnly).msSsimLuma, directMsSsim(reference, test), 1e-9);
}

TEST(PerceptualMeasuresTest, ButteraugliIsUndefinedBelowEightPixelsOnASide) {
    // Red against blue: the library reads such small areas as identical, which they are not.
    const auto redAgainstBlue = [](int width, int height) {
        const QImage red = pictureOf(width, height, [](int, int, uchar* p) { p[0] = 0, p[1] = 0, p[2] = 255; });
        const QImage blue = pictureOf(width, height, [](int, int, uchar* p) { p[0] = 255, p[1] = 0, p[2] = 0; });
        return measurePictures(red, blue);
    };
    struct Size {
        int width, height;
        bool defined;
    };
    for (const Size size : {Size{7, 7, false}, Size{7, 40, false}, Size{40, 7, false}, Size{1, 1, false},
                            Size{8, 8, true}, Size{12, 9, true}}) {
        const PictureMeasures m = redAgainstBlue(size.width, size.height);
        const bool expectDefined = size.defined && butteraugliAvailable();
        EXPECT_EQ(!std::isnan(m.butteraugliMax), expectDefined) << size.width << " x " << size.height;
        EXPECT_EQ(!std::isnan(m.butteraugli3Norm), expectDefined) << size.width << " x " << size.height;
        if (expectDefined) {
            EXPECT_GT(m.butteraugliMax, 1.0) << "red and blue differ plainly";
        }
    }
}

TEST(PerceptualMeasuresTest, AnticorrelatedPicturesGiveMsSsimZero) {
    // The negative's contrast-structure term is below 0 at full size; it counts as 0.
    const QImage reference = pictureOf(200, 190, referencePixel);
    QImage negative = reference;
    negative.invertPixels();
    const PictureMeasures m = measurePictures(reference, negative, kWithoutButteraugli);
    EXPECT_EQ(m.msSsimLuma, 0.0);
    EXPECT_EQ(formatMeasure(m.msSsimLumaDb, 3), "0.000");
}

TEST(PerceptualMeasuresTest, CroppedDecodedPictureMeetsItsSourceAtTheBottomLeft) {
    const QImage reference = testing::patternBitmap(181, 179);
    const PictureMeasures m = measurePictures(reference, reference.copy(0, 1, 180, 178));
    EXPECT_EQ(m.msSsimLuma, 1.0);
    EXPECT_EQ(m.ciede2000, 0.0);
    if (butteraugliAvailable()) {
        EXPECT_EQ(m.butteraugliMax, 0.0);
    }
}

TEST(Ciede2000Test, PublishedWorkedPairs) {
    // Pairs 1, 7, 13, 15 and 20 of Sharma, Wu and Dalal's test data: 13 and 15 straddle the hue
    // mean's wrap-around, 7 has a neutral colour.
    struct Pair {
        Lab first, second;
        double difference;
    };
    const Pair pairs[] = {{{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425}, {{50, 0, 0}, {50, -1, 2}, 2.3669},
                          {{50, 2.49, -0.001}, {50, -2.49, 0.0009}, 7.1792},
                          {{50, 2.49, -0.001}, {50, -2.49, 0.0011}, 7.2195},
                          {{50, 2.5, 0}, {73, 25, -18}, 27.1492}};
    for (const Pair& pair : pairs) {
        EXPECT_NEAR(ciede2000(pair.first, pair.second), pair.difference, 5e-5);
        EXPECT_NEAR(ciede2000(pair.second, pair.first), pair.difference, 5e-5);
    }
}

TEST(Ciede2000Test, SrgbPrimariesAndWhiteReachTheirLabValues) {
    const Lab white = labOfSrgb(255, 255, 255);
    EXPECT_NEAR(white.lightness, 100.0, 1e-5);
    EXPECT_NEAR(white.a, 0.0, 1e-4);
    EXPECT_NEAR(white.b, 0.0, 1e-4);
    const Lab black = labOfSrgb(0, 0, 0);
    EXPECT_EQ(black.lightness, 0.0);
    const Lab red = labOfSrgb(255, 0, 0);
    EXPECT_NEAR(red.lightness, 53.2408, 1e-3);
    EXPECT_NEAR(red.a, 80.0925, 1e-3);
    EXPECT_NEAR(red.b, 67.2032, 1e-3);
    // Dark codes take the straight part of the sRGB decoding: 10 / 255 / 12.92 of white's Y.
    EXPECT_NEAR(labOfSrgb(10, 10, 10).lightness, 903.2963 * 10 / 255 / 12.92, 1e-3);
}

TEST(ButteraugliTest, GrowsWithTheDistortion) {
    if (!butteraugliAvailable()) GTEST_SKIP() << "built without libjxl's Butteraugli";
    const QImage source = loadBitmapFile(testing::samplePath("astronaut.bmp")).copy(128, 128, 192, 160);
    const MeasureChoice butteraugliOnly = MeasureChoice::only({"butteraugli"});
    double lastMax = 0.0, lastNorm = 0.0;
    for (int amplitude : {2, 8, 24}) {
        const PictureMeasures m = measurePictures(source, withNoise(source, amplitude), butteraugliOnly);
        EXPECT_GT(m.butteraugliMax, lastMax) << amplitude;
        EXPECT_GT(m.butteraugli3Norm, lastNorm) << amplitude;
        EXPECT_LE(m.butteraugli3Norm, m.butteraugliMax);
        lastMax = m.butteraugliMax, lastNorm = m.butteraugli3Norm;
    }
}

TEST(ButteraugliTest, LeavesOutPicturesAboveFourMegapixels) {
    const QImage large = flat(2049, 2048, 10, 20, 30);
    const ButteraugliDistance distance = butteraugliDistance({large, large, large.width(), large.height()});
    EXPECT_TRUE(std::isnan(distance.max) && std::isnan(distance.threeNorm));
    EXPECT_THROW(butteraugliHeatMap(large, large), Error);
}

TEST(ButteraugliTest, HeatMapHasThePictureSizeAndRampsFromDarkBlue) {
    const QImage source = testing::patternBitmap(64, 48);
    if (!butteraugliAvailable()) {
        EXPECT_THROW(butteraugliHeatMap(source, source), Error);
        return;
    }
    const QImage same = butteraugliHeatMap(source, source);
    ASSERT_EQ(same.size(), source.size());
    ASSERT_EQ(same.format(), QImage::Format_BGR888);
    EXPECT_EQ(same.pixelColor(10, 20), QColor(0, 0, 96)) << "distance 0";
    const QImage noisy = butteraugliHeatMap(source, withNoise(source, 40));
    int warm = 0;
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x) warm += noisy.pixelColor(x, y).red() > 0;
    EXPECT_GT(warm, 0) << "strong noise reaches distances above 1";
    EXPECT_THROW(butteraugliHeatMap(source, source.copy(0, 0, 63, 48)), Error);
    EXPECT_THROW(butteraugliHeatMap(source, source.convertToFormat(QImage::Format_RGB32)), Error);
}

}  // namespace
}  // namespace brenlow
