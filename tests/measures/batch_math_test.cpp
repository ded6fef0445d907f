// The batch functions against the C library, and the two ways they run against each other bit for
// bit, so that a measure's figure is the same on every processor.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "measures/batch_math.h"
#include "measures/colour_difference.h"

namespace brenlow {
namespace {

using batch_math::Lanes;

std::vector<double> spread(double low, double high, std::size_t count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(low, high);
    std::vector<double> values(count);
    for (double& v : values) v = value(random);
    return values;
}

// Each function on both paths; `count` odd so that the last value goes through the padded tail.
template <typename Batch, typename Reference>
void expectClose(const Batch& batch, const Reference& reference, const std::vector<double>& in, double tolerance) {
    std::vector<double> best(in.size()), oneLane(in.size());
    batch(in.data(), best.data(), in.size(), Lanes::best);
    batch(in.data(), oneLane.data(), in.size(), Lanes::oneLane);
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(best[i]), std::bit_cast<std::uint64_t>(oneLane[i])) << in[i];
        ASSERT_NEAR(best[i], reference(in[i]), tolerance * std::max(1.0, std::abs(reference(in[i])))) << in[i];
    }
}

TEST(BatchMath, SinesCosinesAndExponentialsMatchTheLibraryOnEitherPath) {
    const std::vector<double> angles = spread(-2.0 * std::numbers::pi, 2.0 * std::numbers::pi, 10001, 1);
    expectClose(batch_math::sines, [](double x) { return std::sin(x); }, angles, 1e-15);
    expectClose(batch_math::cosines, [](double x) { return std::cos(x); }, angles, 1e-15);
    expectClose(batch_math::exponentials, [](double x) { return std::exp(x); }, spread(-130.0, 0.0, 10001, 2), 1e-15);
}

TEST(BatchMath, ArctangentsKeepEveryQuadrantAndTheSignsOfZero) {
    std::vector<double> y = spread(-120.0, 120.0, 20001, 3), x = spread(-120.0, 120.0, 20001, 4);
    for (double a : {0.0, -0.0, 1.0, -1.0, 1e-300}) {
        for (double b : {0.0, -0.0, 2.0, -2.0, -1e-300}) y.push_back(a), x.push_back(b);
    }
    std::vector<double> best(y.size()), oneLane(y.size());
    batch_math::arctangents(y.data(), x.data(), best.data(), y.size(), Lanes::best);
    batch_math::arctangents(y.data(), x.data(), oneLane.data(), y.size(), Lanes::oneLane);
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double expected = std::atan2(y[i], x[i]);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(best[i]), std::bit_cast<std::uint64_t>(oneLane[i]));
        ASSERT_NEAR(best[i], expected, 1e-15 * std::max(1.0, std::abs(expected))) << y[i] << ", " << x[i];
        ASSERT_EQ(std::signbit(best[i]), std::signbit(expected)) << y[i] << ", " << x[i];
    }
}

// The formula as written, one pixel at a time through the C library.
double textbookCiede2000(const Lab& p, const Lab& q) {
    const double degrees = 180.0 / std::numbers::pi, radians = std::numbers::pi / 180.0;
    const auto weight = [](double c) { return std::sqrt(std::pow(c, 7) / (std::pow(c, 7) + std::pow(25.0, 7))); };
    const double scale = 1.0 + 0.5 * (1.0 - weight((std::hypot(p.a, p.b) + std::hypot(q.a, q.b)) / 2.0));
    const double c1 = std::hypot(scale * p.a, p.b), c2 = std::hypot(scale * q.a, q.b);
    const auto hue = [&](double b, double a) {
        return b == 0.0 && a == 0.0 ? 0.0 : std::fmod(std::atan2(b, a) * degrees + 360.0, 360.0);
    };
    const double h1 = hue(p.b, scale * p.a), h2 = hue(q.b, scale * q.a);
    double dh = h2 - h1;
    if (c1 * c2 == 0.0) dh = 0.0;
    else if (dh > 180.0) dh -= 360.0;
    else if (dh < -180.0) dh += 360.0;
    double meanH = h1 + h2;
    if (c1 * c2 != 0.0) meanH = std::abs(h1 - h2) <= 180.0 ? meanH / 2.0 : (meanH + (meanH < 360.0 ? 360.0 : -360.0)) / 2.0;
    const double meanL = (p.lightness + q.lightness) / 2.0, meanC = (c1 + c2) / 2.0;
    const double t = 1.0 - 0.17 * std::cos((meanH - 30.0) * radians) + 0.24 * std::cos(2.0 * meanH * radians) +
                     0.32 * std::cos((3.0 * meanH + 6.0) * radians) - 0.20 * std::cos((4.0 * meanH - 63.0) * radians);
    const double sL = 1.0 + 0.015 * (meanL - 50.0) * (meanL - 50.0) / std::sqrt(20.0 + (meanL - 50.0) * (meanL - 50.0));
    const double sC = 1.0 + 0.045 * meanC, sH = 1.0 + 0.015 * meanC * t;
    const double rT = -std::sin(60.0 * std::exp(-std::pow((meanH - 275.0) / 25.0, 2)) * radians) * 2.0 * weight(meanC);
    const double l = (q.lightness - p.lightness) / sL, c = (c2 - c1) / sC;
    const double h = 2.0 * std::sqrt(c1 * c2) * std::sin(dh * radians / 2.0) / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

TEST(BatchMath, Ciede2000StaysWithinABillionthOfTheFormulaOverTheSrgbGamut) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> code(0, 255), step(-12, 12);
    for (int i = 0; i < 200000; ++i) {
        const int r = code(random), g = code(random), b = code(random);
        const Lab first = labOfSrgb(static_cast<uchar>(r), static_cast<uchar>(g), static_cast<uchar>(b));
        // Near colours, as a decoded picture's, and now and then a grey or a far colour.
        const Lab second = i % 7 == 0   ? labOfSrgb(static_cast<uchar>(g), static_cast<uchar>(g), static_cast<uchar>(g))
                           : i % 11 == 0 ? labOfSrgb(static_cast<uchar>(code(random)), static_cast<uchar>(code(random)),
                                                     static_cast<uchar>(code(random)))
                                         : labOfSrgb(static_cast<uchar>(std::clamp(r + step(random), 0, 255)),
                                                     static_cast<uchar>(std::clamp(g + step(random), 0, 255)),
                                                     static_cast<uchar>(std::clamp(b + step(random), 0, 255)));
        ASSERT_NEAR(ciede2000(first, second), textbookCiede2000(first, second), 1e-9) << r << " " << g << " " << b;
    }
}

}  // namespace
}  // namespace brenlow
