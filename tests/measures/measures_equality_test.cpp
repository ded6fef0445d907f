// The vectorised, threaded measures against plain one-sample-at-a-time versions that add in the
// same order: every figure must come out bit for bit the same, and so print the same.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "io/bitmap_file.h"
#include "jpeg/jpeg_bridge.h"
#include "measures/colour_difference.h"
#include "measures/measures.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

constexpr double kC1 = (0.01 * 255.0) * (0.01 * 255.0);
constexpr double kC2 = (0.03 * 255.0) * (0.03 * 255.0);
constexpr std::array<double, 5> kScaleWeights = {0.0448, 0.2856, 0.3001, 0.2363, 0.1333};

// Luma planes, row 0 at the bottom as the measures count.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<double> values;
    double at(int r, int c) const { return values[static_cast<std::size_t>(r) * width + c]; }
};

Plane lumaPlane(const QImage& picture, int width, int height) {
    Plane plane{width, height, {}};
    for (int r = 0; r < height; ++r) {
        const uchar* row = picture.constScanLine(picture.height() - 1 - r);
        for (int c = 0; c < width; ++c)
            plane.values.push_back(0.299 * row[3 * c + 2] + 0.587 * row[3 * c + 1] + 0.114 * row[3 * c]);
    }
    return plane;
}

// Rows pair up from the top: of an odd number, the bottom row (row 0 here) is left out.
Plane halvedPlane(const Plane& p) {
    Plane half{p.width / 2, p.height / 2, {}};
    const int skipped = p.height % 2;
    for (int r = 0; r < half.height; ++r) {
        const int lower = skipped + 2 * r;
        for (int c = 0; c < half.width; ++c)
            half.values.push_back((p.at(lower, 2 * c) + p.at(lower, 2 * c + 1) + p.at(lower + 1, 2 * c) +
                                   p.at(lower + 1, 2 * c + 1)) / 4.0);
    }
    return half;
}

struct PlainMeans {
    double ssim = 0, contrastStructure = 0, luminance = 0;
};

// Across each row, then down each column, one window at a time; sums per window row, then over rows.
PlainMeans plainWindowMeans(const Plane& x, const Plane& y) {
    std::array<double, 11> w{};
    double total = 0;
    for (int k = 0; k < 11; ++k) total += w[k] = std::exp(-(k - 5.0) * (k - 5.0) / (2.0 * 1.5 * 1.5));
    for (double& weight : w) weight /= total;
    const int columns = x.width - 10;
    std::vector<std::array<double, 5>> across(static_cast<std::size_t>(x.height) * columns);
    for (int r = 0; r < x.height; ++r)
        for (int c = 0; c < columns; ++c) {
            std::array<double, 5>& m = across[static_cast<std::size_t>(r) * columns + c];
            m = {};
            for (int k = 0; k < 11; ++k) {
                const double p = x.at(r, c + k), q = y.at(r, c + k);
                m[0] += w[k] * p, m[1] += w[k] * q, m[2] += w[k] * p * p, m[3] += w[k] * q * q, m[4] += w[k] * p * q;
            }
        }
    PlainMeans sums;
    for (int r = 0; r + 11 <= x.height; ++r) {
        PlainMeans row;
        for (int c = 0; c < columns; ++c) {
            std::array<double, 5> m{};
            for (int k = 0; k < 11; ++k)
                for (int i = 0; i < 5; ++i) m[i] += w[k] * across[static_cast<std::size_t>(r + k) * columns + c][i];
            const double vx = m[2] - m[0] * m[0], vy = m[3] - m[1] * m[1], cov = m[4] - m[0] * m[1];
            row.ssim += ((2 * m[0] * m[1] + kC1) * (2 * cov + kC2)) / ((m[0] * m[0] + m[1] * m[1] + kC1) * (vx + vy + kC2));
            row.contrastStructure += (2 * cov + kC2) / (vx + vy + kC2);
            row.luminance += (2 * m[0] * m[1] + kC1) / (m[0] * m[0] + m[1] * m[1] + kC1);
        }
        sums.ssim += row.ssim, sums.contrastStructure += row.contrastStructure, sums.luminance += row.luminance;
    }
    const double windows = static_cast<double>(x.height - 10) * columns;
    return {sums.ssim / windows, sums.contrastStructure / windows, sums.luminance / windows};
}

PictureMeasures plainMeasures(const QImage& a, const QImage& b) {
    const int width = std::min(a.width(), b.width()), height = std::min(a.height(), b.height());
    std::array<std::uint64_t, 3> channel{};
    double lumaError = 0;
    const Plane x = lumaPlane(a, width, height), y = lumaPlane(b, width, height);
    for (int r = 0; r < height; ++r) {
        const uchar* p = a.constScanLine(a.height() - 1 - r);
        const uchar* q = b.constScanLine(b.height() - 1 - r);
        double rowError = 0;
        for (int c = 0; c < width; ++c) {
            for (int i = 0; i < 3; ++i) channel[i] += (p[3 * c + i] - q[3 * c + i]) * (p[3 * c + i] - q[3 * c + i]);
            rowError += (x.at(r, c) - y.at(r, c)) * (x.at(r, c) - y.at(r, c));
        }
        lumaError += rowError;
    }
    const auto psnr = [](double error, double samples) {
        return error == 0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 / (error / samples));
    };
    const double samples = static_cast<double>(width) * height;
    PictureMeasures m;
    m.psnrRed = psnr(static_cast<double>(channel[2]), samples);
    m.psnrGreen = psnr(static_cast<double>(channel[1]), samples);
    m.psnrBlue = psnr(static_cast<double>(channel[0]), samples);
    m.psnr = psnr(static_cast<double>(channel[0] + channel[1] + channel[2]), 3 * samples);
    m.psnrLuma = psnr(lumaError, samples);
    m.ssimLuma = m.msSsimLuma = NAN;
    if (width < 11 || height < 11) return m;
    const PlainMeans full = plainWindowMeans(x, y);
    m.ssimLuma = full.ssim;
    if ((width >> 4) < 11 || (height >> 4) < 11) return m;
    double product = std::pow(std::max(full.contrastStructure, 0.0), kScaleWeights[0]);
    Plane sx = x, sy = y;
    for (std::size_t j = 1; j < 5; ++j) {
        sx = halvedPlane(sx), sy = halvedPlane(sy);
        const PlainMeans scale = plainWindowMeans(sx, sy);
        product *= std::pow(std::max(scale.contrastStructure, 0.0), kScaleWeights[j]);
        if (j == 4) product *= std::pow(scale.luminance, kScaleWeights[j]);
    }
    m.msSsimLuma = product;
    return m;
}

// Every pixel's Lab worked out afresh; sums per row, then over the rows.
double plainMeanCiede2000(const QImage& a, const QImage& b) {
    const int width = std::min(a.width(), b.width()), height = std::min(a.height(), b.height());
    double sum = 0;
    for (int r = 0; r < height; ++r) {
        const uchar* p = a.constScanLine(a.height() - 1 - r);
        const uchar* q = b.constScanLine(b.height() - 1 - r);
        double row = 0;
        for (int c = 0; c < width; ++c)
            row += ciede2000(labOfSrgb(p[3 * c + 2], p[3 * c + 1], p[3 * c]), labOfSrgb(q[3 * c + 2], q[3 * c + 1], q[3 * c]));
        sum += row;
    }
    return sum / (static_cast<double>(width) * height);
}

// Each figure bit for bit, and printed with the command line's decimals.
void expectSameFigures(const QImage& reference, const QImage& test, const std::string& what) {
    SCOPED_TRACE(what);
    const PictureMeasures fast = measurePictures(reference, test, MeasureChoice::only({"ms_ssim", "ciede2000"}));
    PictureMeasures plain = plainMeasures(reference, test);
    plain.ciede2000 = plainMeanCiede2000(reference, test);
    const std::array<std::pair<double, double>, 8> pairs = {{{fast.psnrRed, plain.psnrRed},
                                                             {fast.psnrGreen, plain.psnrGreen},
                                                             {fast.psnrBlue, plain.psnrBlue},
                                                             {fast.psnr, plain.psnr},
                                                             {fast.psnrLuma, plain.psnrLuma},
                                                             {fast.ssimLuma, plain.ssimLuma},
                                                             {fast.msSsimLuma, plain.msSsimLuma},
                                                             {fast.ciede2000, plain.ciede2000}}};
    for (const auto& [measured, expected] : pairs) {
        EXPECT_EQ(formatMeasure(measured, 5), formatMeasure(expected, 5));
        if (!std::isnan(expected)) {
            EXPECT_EQ(measured, expected);
        }
    }
}

QImage throughJpeg(const QImage& picture, int quality) {
    QImage decoded;
    LoadJpeg(decoded, SaveAsJpeg(picture, static_cast<std::uint8_t>(quality)));
    return decoded;
}

TEST(MeasuresEqualityTest, APhotographThroughJpegAtThreeQualities) {
    const QImage photo = loadBitmapFile(std::string(BRENLOW_SAMPLES_DIR) + "/astronaut.bmp");
    for (int quality : {10, 50, 95}) expectSameFigures(photo, throughJpeg(photo, quality), "quality " + std::to_string(quality));
    expectSameFigures(photo, photo, "identical");
}

TEST(MeasuresEqualityTest, EdgeSizesAroundTheWindowsAndTheBlocks) {
    // 11 and 176: the smallest SSIM and MS-SSIM; 523 and 1037 columns leave a part block of the
    // filter's 512 columns; odd sizes drop a last row or column at each halving; 19 x 17 has a
    // window column and a window row past the filters' eight columns and six rows at a time; 2103
    // and 4201 columns go through in two and three strips, each halving its own cells.
    const QImage photo = loadBitmapFile(std::string(BRENLOW_SAMPLES_DIR) + "/astronaut.bmp");
    const QImage wide = photo.scaled(1037, 180);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{
             {11, 11}, {19, 17}, {12, 40}, {10, 20}, {176, 176}, {177, 353}, {523, 191}, {1037, 180}, {200, 175}}) {
        const QImage reference = (width > 512 ? wide : photo).copy(0, 0, width, height);
        expectSameFigures(reference, throughJpeg(reference, 30), std::to_string(width) + " x " + std::to_string(height));
    }
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{2103, 177}, {4201, 176}}) {
        const QImage wider = photo.scaled(width, height);
        expectSameFigures(wider, throughJpeg(wider, 30), std::to_string(width) + " x " + std::to_string(height));
    }
    expectSameFigures(photo, throughJpeg(photo, 40).copy(0, 1, 511, 509), "a cropped decoded picture");
}

}  // namespace
}  // namespace brenlow
