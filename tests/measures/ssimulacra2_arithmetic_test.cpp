// SSIMULACRA 2's float arithmetic is pinned down operation by operation, so that every build and
// optimisation level gives the same figures: the fused multiply-add rounded once, the nearest-float
// cube root, and the recursive blur against a plain recurrence on the C library's fmaf.
#include <gtest/gtest.h>

#include <QColorSpace>
#include <QImage>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "io/bitmap_file.h"
#include "measures/cube_root.h"
#include "measures/fused_multiply_add.h"
#include "measures/gaussian_passes.h"
#include "measures/positive_xyb.h"
#include "measures/recursive_gaussian.h"
#include "measures/ssimulacra2.h"

namespace brenlow {
namespace {

__extension__ typedef unsigned __int128 Wide;

TEST(FusedMultiplyAddTest, EmulationRoundsOnceWhereRoundingTheDoubleSumMisses) {
    // Each exact sum lies just past a float half-way point that the double sum lands on.
    const struct {
        float a, b, c, fused;
    } cases[] = {
        {-0x1.fap+8f, -0x1.7b93p-10f, -0x1.4ab9b8p-55f, 0x1.772046p-1f},
        {-0x1.7a534p+0f, 0x1.34p+4f, -0x1.8350fep-55f, -0x1.c72c2ap+4f},
        {-0x1.a1cp+3f, -0x1.0b04p+8f, -0x1.16f842p-67f, 0x1.b3b9c6p+11f},
    };
    for (const auto& x : cases) {
        const auto roundedTwice = static_cast<float>(static_cast<double>(x.a) * x.b + static_cast<double>(x.c));
        EXPECT_NE(roundedTwice, x.fused) << x.a;
        EXPECT_EQ(EmulatedFma::apply(x.a, x.b, x.c), x.fused) << x.a;
        EXPECT_EQ(ProcessorFma::apply(x.a, x.b, x.c), x.fused) << x.a;
    }
    // Products of every size against addends near them and far from them, either sign.
    std::mt19937 random(11);
    const auto anyFloat = [&](unsigned lowestExponent, unsigned exponents) {
        const auto bits = static_cast<std::uint32_t>(random());
        return std::bit_cast<float>((bits & 0x807fffffu) | (lowestExponent + bits % exponents) << 23);
    };
    for (int i = 0; i < 200000; ++i) {
        const float a = anyFloat(100, 56), b = anyFloat(100, 56);
        const float c = i % 2 ? -static_cast<float>(static_cast<double>(a) * b) : anyFloat(60, 140);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(EmulatedFma::apply(a, b, c)), std::bit_cast<std::uint32_t>(std::fma(a, b, c)))
            << a << " " << b << " " << c;
    }
}

// Whether the float y is the cube root of x rounded to nearest: the cubes of the two half-way
// points beside y, as exact integers, lie either side of x. (Neither can equal x: a half-way point
// has 25 significant bits, its cube 73 or more.)
bool isNearestCubeRoot(float x, float y) {
    const auto parts = [](float v, Wide& mantissa, int& exponent) {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        const int biased = static_cast<int>(bits >> 23);
        mantissa = bits & 0x7fffffu;
        if (biased > 0) mantissa |= 0x800000u;
        exponent = std::max(biased, 1) - 150;
    };
    // The sign of (m 2^e)^3 - x.
    const auto cubeAgainst = [&](Wide m, int e) {
        Wide xm;
        int xe;
        parts(x, xm, xe);
        const Wide cube = m * m * m;
        const int shift = xe - 3 * e;
        return shift >= 0 ? (cube > (xm << shift)) - (cube < (xm << shift)) : ((cube << -shift) > xm) - ((cube << -shift) < xm);
    };
    Wide m;
    int e;
    parts(y, m, e);
    const bool powerOfTwo = m == 0x800000u && e > -149;
    return cubeAgainst(2 * m + 1, e - 1) > 0 &&
           (powerOfTwo ? cubeAgainst(4 * m - 1, e - 2) : cubeAgainst(2 * m - 1, e - 1)) < 0;
}

TEST(CubeRootTest, TheNearestFloatFromSubnormalsToTheLargestFloat) {
    EXPECT_EQ(cubeRoot(0.0f), 0.0f);
    EXPECT_EQ(cubeRoot(27.0f), 3.0f);
    EXPECT_EQ(cubeRoot(0.125f), 0.5f);
    EXPECT_TRUE(isNearestCubeRoot(1.0f, cubeRoot(1.0f)));
    // One float in ten between 0 and 2 has the C library's cube root a unit off; the colours the
    // measure takes lie there, so it goes through densely and the rest sparsely.
    for (std::uint32_t bits = 1; bits < 0x7f800000u; bits += bits < 0x40000000u && bits > 0x3b000000u ? 251 : 40009) {
        const float x = std::bit_cast<float>(bits);
        ASSERT_TRUE(isNearestCubeRoot(x, cubeRoot(x))) << std::hexfloat << x << " gives " << cubeRoot(x);
    }
    EXPECT_FALSE(isNearestCubeRoot(2.0f, std::nextafter(cubeRoot(2.0f), 2.0f)));
}

// The filters straight from their recurrences, one row or column of samples at a time, on the C
// library's fmaf: along a row one output at a time up to the first multiple of four past the
// radius, then steps of four while their samples lie inside the row, then one at a time.
std::vector<float> plainAlongRow(const GaussianWeights& w, const std::vector<float>& x) {
    const int size = static_cast<int>(x.size()), n = w.radius;
    const auto sum = [&](int t) {
        const auto sample = [&](int at) { return at >= 0 && at < size ? x[static_cast<std::size_t>(at)] : 0.0f; };
        return sample(t - n - 1) + sample(t + n - 1);
    };
    // Output t + j of a step from t: the sums of outputs t .. t + j and the two outputs before t.
    const auto filtered = [&](int t, std::size_t j, std::size_t k, float last, float beforeLast) {
        float v = sum(t) * w.inputSteps[k][j];
        for (std::size_t i = 1; i <= j; ++i) v = std::fma(w.inputSteps[k][j - i], sum(t + static_cast<int>(i)), v);
        v = std::fma(w.beforeLastSteps[k][j], beforeLast, v);
        return std::fma(w.lastSteps[k][j], last, v);
    };
    std::vector<float> out(x.size());
    std::array<float, 3> last{}, beforeLast{};
    const int firstStep = (n + 4) / 4 * 4;
    for (int t = 1 - n; t < size;) {
        const std::size_t outputs = t >= firstStep && t + 3 < size - n + 1 ? 4 : 1;
        std::array<std::array<float, 3>, 4> y{};
        for (std::size_t j = 0; j < outputs; ++j) {
            for (std::size_t k = 0; k < 3; ++k) y[j][k] = filtered(t, j, k, last[k], beforeLast[k]);
            if (t + static_cast<int>(j) >= 0) out[static_cast<std::size_t>(t) + j] = y[j][0] + (y[j][1] + y[j][2]);
        }
        beforeLast = outputs == 4 ? y[2] : last;
        last = y[outputs - 1];
        t += static_cast<int>(outputs);
    }
    return out;
}

std::vector<float> plainDownColumn(const GaussianWeights& w, const std::vector<float>& x) {
    const int size = static_cast<int>(x.size()), n = w.radius;
    const auto sample = [&](int at) { return at >= 0 && at < size ? x[static_cast<std::size_t>(at)] : 0.0f; };
    std::vector<float> out(x.size());
    std::array<float, 3> last{}, beforeLast{};
    for (int t = 1 - n; t < size; ++t) {
        std::array<float, 3> y{};
        for (std::size_t k = 0; k < 3; ++k)
            y[k] = std::fma(w.input[k], sample(t - n - 1) + sample(t + n - 1), std::fma(-w.feedback[k], last[k], -beforeLast[k]));
        if (t >= 0) out[static_cast<std::size_t>(t)] = y[0] + (y[1] + y[2]);
        beforeLast = last;
        last = y;
    }
    return out;
}

FloatPlane noise(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    FloatPlane plane(width, height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) plane.row(r)[c] = value(random);
    return plane;
}

// The plain recurrences along every row of `in` (times `factor`), then down every column.
FloatPlane plainBlur(const GaussianWeights& w, const FloatPlane& in, const FloatPlane* factor) {
    FloatPlane across(in.width(), in.height()), out(in.width(), in.height());
    for (int r = 0; r < in.height(); ++r) {
        std::vector<float> row(in.row(r), in.row(r) + in.width());
        if (factor)
            for (int c = 0; c < in.width(); ++c) row[static_cast<std::size_t>(c)] *= factor->row(r)[c];
        std::ranges::copy(plainAlongRow(w, row), across.row(r));
    }
    for (int c = 0; c < in.width(); ++c) {
        std::vector<float> column;
        for (int r = 0; r < in.height(); ++r) column.push_back(across.row(r)[c]);
        const std::vector<float> blurred = plainDownColumn(w, column);
        for (int r = 0; r < in.height(); ++r) out.row(r)[c] = blurred[static_cast<std::size_t>(r)];
    }
    return out;
}

constexpr FmaUnit kUnits[] = {FmaUnit::wideProcessor, FmaUnit::processor, FmaUnit::emulated};

TEST(GaussianPassesTest, EveryBitAsThePlainRecurrencesOnEveryUnit) {
    const RecursiveGaussian gauss(1.5);
    const GaussianWeights& w = gauss.weights();
    // Rows shorter than a step, one step, odd lengths; eight and sixteen rows side by side and part
    // blocks; columns longer than the ring of rows the column pass reads from.
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 3}, {12, 9}, {13, 17}, {64, 8}, {19, 16}, {101, 41}};
    for (const auto& size : sizes) {
        const int width = size.first, height = size.second;
        const FloatPlane in = noise(width, height, static_cast<unsigned>(width * height));
        const FloatPlane factor = noise(width, height, 5);
        const FloatPlane expected[] = {plainBlur(w, in, nullptr), plainBlur(w, in, &factor), plainBlur(w, factor, &in)};
        const BlurSource sources[] = {{&in}, {&in, &factor}, {&factor, &in}};
        for (const FmaUnit unit : kUnits) {
            if (!fmaUnitPresent(unit)) continue;
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", unit " +
                         std::to_string(static_cast<int>(unit)));
            GaussianScratch scratch;
            int next = 0;
            blurTogether(w, sources, scratch, unit, [&](int r, const float* const* blurred) {
                ASSERT_EQ(r, next++);
                for (std::size_t s = 0; s < 3; ++s)
                    ASSERT_EQ(std::vector<float>(blurred[s], blurred[s] + width),
                              std::vector<float>(expected[s].row(r), expected[s].row(r) + width))
                        << "source " << s << ", row " << r;
            });
            EXPECT_EQ(next, height);
        }
    }
}

TEST(PositiveXybTest, EveryUnitGivesTheSameBits) {
    // Colours over the whole cube, and rows longer than a vector with a remainder.
    ColourPlanes linear;
    for (std::size_t channel = 0; channel < 3; ++channel) linear[channel] = noise(37, 5, static_cast<unsigned>(channel));
    ColourPlanes expected;
    positiveXybOf(linear, expected, FmaUnit::emulated);
    for (const FmaUnit unit : kUnits) {
        if (!fmaUnitPresent(unit)) continue;
        ColourPlanes xyb;
        positiveXybOf(linear, xyb, unit);
        for (std::size_t channel = 0; channel < 3; ++channel)
            for (int r = 0; r < 5; ++r)
                ASSERT_EQ(std::vector<float>(xyb[channel].row(r), xyb[channel].row(r) + 37),
                          std::vector<float>(expected[channel].row(r), expected[channel].row(r) + 37))
                    << "unit " << static_cast<int>(unit) << ", channel " << channel << ", row " << r;
    }
}

// Scores every build must give to the last bit: the shipped photograph against its JPEG at quality
// 90, whose fine differences carry the blur's rounding furthest, and an odd-sized crop. The final
// mapping's power comes from the C library, whose last bit could differ elsewhere.
TEST(Ssimulacra2ArithmeticTest, ScoresToTheLastBitAtEveryOptimisationLevel) {
    const std::string data = BRENLOW_TEST_DATA_DIR;
    const auto png = [](const std::string& path) {
        return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_BGR888);
    };
    // The gamma the files declare, as the published scores read them.
    const TransferCurve declared =
        TransferCurve::power(static_cast<double>(QImage(QString::fromStdString(data + "/ssimulacra2/chelsea-odd.png")).colorSpace().gamma()));
    EXPECT_EQ(ssimulacra2(loadBitmapFile(data + "/chelsea.bmp"), png(data + "/ssimulacra2/chelsea-jpeg-q90.png"), declared),
              86.357717647516964);
    EXPECT_EQ(ssimulacra2(png(data + "/ssimulacra2/chelsea-odd.png"), png(data + "/ssimulacra2/chelsea-odd-jpeg-q50.png"),
                          declared),
              66.462050338314839);
}

}  // namespace
}  // namespace brenlow
