#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "experiments/bd_rate.h"

namespace brenlow {
namespace {

// A curve whose log10(rate) is 0.05 * quality + offset: exactly a cubic (of degree one), so the
// fit reproduces it and the delta rate follows from the offsets by hand.
std::vector<RatePoint> straightCurve(double fromQuality, double offset, int points = 9) {
    std::vector<RatePoint> curve;
    for (int i = 0; i < points; ++i) {
        const double quality = fromQuality + 2.0 * i;
        curve.push_back({std::pow(10.0, 0.05 * quality + offset), quality});
    }
    return curve;
}

// Measured-looking curve: rates of a real sweep's shape, bent rather than straight.
std::vector<RatePoint> bentCurve(double rateFactor) {
    const double rates[] = {0.21, 0.33, 0.44, 0.53, 0.62, 0.72, 0.86, 1.07, 1.55};
    const double qualities[] = {27.1, 29.6, 31.0, 31.9, 32.6, 33.2, 34.0, 35.1, 37.0};
    std::vector<RatePoint> curve;
    for (int i = 0; i < 9; ++i) curve.push_back({rates[i] * rateFactor, qualities[i]});
    return curve;
}

constexpr BdInterpolation kBoth[] = {BdInterpolation::Cubic, BdInterpolation::Pchip};

TEST(BjontegaardDeltaRateTest, ACurveAgainstItselfIsZero) {
    for (const BdInterpolation interpolation : kBoth) {
        SCOPED_TRACE(static_cast<int>(interpolation));
        EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(1.0), interpolation), 0.0, 1e-9);
        EXPECT_NEAR(bjontegaardDeltaQuality(bentCurve(1.0), bentCurve(1.0), interpolation), 0.0, 1e-9);
    }
}

TEST(BjontegaardDeltaRateTest, RatesScaledAtEveryQualityGiveTheScaleFactor) {
    // log10(1.1 r) = log10(r) + log10(1.1) at every quality, so the curves differ by that constant.
    for (const BdInterpolation interpolation : kBoth) {
        SCOPED_TRACE(static_cast<int>(interpolation));
        EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(1.1), interpolation), 10.0, 1e-9);
        EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(0.9), interpolation), -10.0, 1e-9);
        EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(0.8), interpolation), -20.0, 1e-9);
    }
}

TEST(BjontegaardDeltaRateTest, OnlyTheSharedQualityIntervalCounts) {
    // The test curve reaches each rate 1 dB higher: log10 rates differ by -0.05 over the overlap
    // [22, 36] of [20, 36] and [22, 38]: 10^-0.05 - 1 = -10.8749...%. Both interpolations
    // reproduce a straight line.
    const double expected = (std::pow(10.0, -0.05) - 1.0) * 100.0;
    for (const BdInterpolation interpolation : kBoth)
        EXPECT_NEAR(bjontegaardDeltaRate(straightCurve(20, 0.0), straightCurve(22, -0.05), interpolation), expected,
                    1e-9);
}

TEST(BjontegaardDeltaRateTest, UndefinedWithoutEnoughQualitiesOrAnOverlap) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(bjontegaardDeltaRate(bentCurve(1.0), straightCurve(20, 0.0, 3))));
    EXPECT_TRUE(std::isnan(bjontegaardDeltaRate(straightCurve(20, 0.0), straightCurve(60, 0.0))));
    // A lossless point (infinite PSNR) and a rate of zero are left out, not fitted.
    std::vector<RatePoint> withExtremes = straightCurve(20, 0.0, 4);
    withExtremes.push_back({5.0, inf});
    withExtremes.push_back({0.0, 30.0});
    EXPECT_NEAR(bjontegaardDeltaRate(straightCurve(20, 0.0, 4), withExtremes), 0.0, 1e-9);
    withExtremes.erase(withExtremes.begin());
    EXPECT_TRUE(std::isnan(bjontegaardDeltaRate(straightCurve(20, 0.0), withExtremes)));

    // PCHIP needs two distinct abscissae: two points at one quality are one for the delta rate,
    // two at one rate one for the delta quality.
    const std::vector<RatePoint> twoAtOneQuality{{0.5, 30.0}, {0.6, 30.0}};
    const std::vector<RatePoint> twoAtOneRate{{0.5, 30.0}, {0.5, 31.0}};
    const std::vector<RatePoint> twoQualities{{0.5, 30.0}, {0.6, 31.0}};
    EXPECT_TRUE(std::isnan(bjontegaardDeltaRate(twoQualities, twoAtOneQuality, BdInterpolation::Pchip)));
    EXPECT_TRUE(std::isnan(bjontegaardDeltaQuality(twoQualities, twoAtOneRate, BdInterpolation::Pchip)));
    EXPECT_NEAR(bjontegaardDeltaRate(twoQualities, twoQualities, BdInterpolation::Pchip), 0.0, 1e-12);
    EXPECT_TRUE(std::isnan(bjontegaardDeltaQuality(twoQualities, twoQualities, BdInterpolation::Cubic)));
}

TEST(BjontegaardDeltaRateTest, AnUndefinedDeltaSaysWhy) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // MS-SSIM of pictures too small for it: every point of the curve has none.
    const std::vector<RatePoint> noValues{{0.5, nan}, {1.0, nan}, {1.5, nan}, {2.0, nan}};
    const auto why = [](std::span<const RatePoint> anchor, std::span<const RatePoint> test) {
        return bjontegaardDeltaRateResult(anchor, test, BdInterpolation::Cubic).undefined;
    };
    EXPECT_EQ(why(straightCurve(20, 0.0), noValues), BdUndefined::NoValues);
    EXPECT_EQ(why(noValues, straightCurve(20, 0.0)), BdUndefined::NoValues);
    EXPECT_EQ(why(bentCurve(1.0), straightCurve(20, 0.0, 3)), BdUndefined::TooFewPoints);
    EXPECT_EQ(why(straightCurve(20, 0.0), straightCurve(60, 0.0)), BdUndefined::NoSharedInterval);
    EXPECT_EQ(why(straightCurve(20, 0.0), straightCurve(20, 0.0)), BdUndefined::No);
}

TEST(BjontegaardDeltaQualityTest, AQualityShiftIsTheDeltaQuality) {
    std::vector<RatePoint> better = bentCurve(1.0);
    for (RatePoint& point : better) point.quality += 1.0;
    for (const BdInterpolation interpolation : kBoth)
        EXPECT_NEAR(bjontegaardDeltaQuality(bentCurve(1.0), better, interpolation), 1.0, 1e-9);
    // Straight curves: 1 dB better at every rate over the shared log-rate interval.
    EXPECT_NEAR(bjontegaardDeltaQuality(straightCurve(20, 0.0), straightCurve(22, -0.05)), 1.0, 1e-9);
}

// The curves of tests/data/bd_pchip_reference.py; the test curve's rate dips once, as noisy
// measurements do, so flat slopes at a turn are part of what is compared.
std::vector<RatePoint> noisyCurve() {
    return {{0.20, 26.5}, {0.31, 28.9}, {0.40, 30.2}, {0.39, 31.0}, {0.55, 32.4}, {0.70, 33.0}, {0.82, 34.6},
            {1.31, 36.3}};
}

TEST(BjontegaardPchipTest, AgreesWithTheReferenceScript) {
    EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), noisyCurve(), BdInterpolation::Pchip), -3.422660983403, 1e-9);
    EXPECT_NEAR(bjontegaardDeltaQuality(bentCurve(1.0), noisyCurve(), BdInterpolation::Pchip), 0.129853195230, 1e-9);
}

TEST(BjontegaardPchipTest, ASharpTurnHoldsTheEndSlopeToThreeSecants) {
    // log10 rates 0, 0.01, -0.09 at 30, 31, 32 dB: secants 0.01 and -0.1. The three-point end
    // slope (3 * 0.01 + 0.1) / 2 = 0.065 exceeds three secants and is held to 0.03; the middle is
    // a turn (slope 0); the far end keeps (3 * -0.1 - 0.01) / 2 = -0.155. A Hermite piece of
    // width 1 integrates to (y0 + y1) / 2 + (d0 - d1) / 12: 0.0075 and -0.04 + 0.155 / 12, a mean
    // of -0.235 / 24 over the 2 dB. The flat test curve integrates to zero.
    const std::vector<RatePoint> turning{{1.0, 30.0}, {std::pow(10.0, 0.01), 31.0}, {std::pow(10.0, -0.09), 32.0}};
    const std::vector<RatePoint> flat{{1.0, 30.0}, {1.0, 32.0}};
    const double expected = (std::pow(10.0, 0.235 / 24.0) - 1.0) * 100.0;
    EXPECT_NEAR(bjontegaardDeltaRate(turning, flat, BdInterpolation::Pchip), expected, 1e-9);
}

TEST(BjontegaardPchipTest, PointOrderAndBeatenDuplicatesDoNotCount) {
    std::vector<RatePoint> shuffled = noisyCurve();
    std::reverse(shuffled.begin(), shuffled.end());
    std::swap(shuffled[1], shuffled[5]);
    // More bits for a quality already reached, then a lower quality at a rate already spent.
    shuffled.push_back({0.50, 30.2});
    const auto pchip = BdInterpolation::Pchip;
    EXPECT_DOUBLE_EQ(bjontegaardDeltaRate(bentCurve(1.0), shuffled, pchip),
                     bjontegaardDeltaRate(bentCurve(1.0), noisyCurve(), pchip));
    shuffled.back() = {0.55, 31.5};
    EXPECT_DOUBLE_EQ(bjontegaardDeltaQuality(bentCurve(1.0), shuffled, pchip),
                     bjontegaardDeltaQuality(bentCurve(1.0), noisyCurve(), pchip));
}

TEST(BjontegaardOverlapTest, WeakOverlapIsFlaggedWithEachCurvesShare) {
    using enum BdInterpolation;
    // Qualities [20, 36] against [30, 36] (log rates in proportion): the whole of the short curve
    // but under half of the long one.
    const BdResult oneSided = bjontegaardDeltaQualityResult(straightCurve(20, 0.0), straightCurve(30, 0.0, 4), Cubic);
    EXPECT_NEAR(oneSided.sharedFractionAnchor, 6.0 / 16.0, 1e-12);
    EXPECT_NEAR(oneSided.sharedFractionTest, 1.0, 1e-12);
    EXPECT_TRUE(oneSided.weakOverlap);

    const BdResult wide = bjontegaardDeltaRateResult(straightCurve(20, 0.0), straightCurve(22, 0.0), Pchip);
    EXPECT_NEAR(wide.sharedFractionTest, 14.0 / 16.0, 1e-12);
    EXPECT_FALSE(wide.weakOverlap);

    const BdResult apart = bjontegaardDeltaRateResult(straightCurve(20, 0.0), straightCurve(60, 0.0), Pchip);
    EXPECT_TRUE(std::isnan(apart.value));
    EXPECT_EQ(apart.sharedFractionAnchor, 0.0);
    EXPECT_TRUE(apart.weakOverlap);
}

}  // namespace
}  // namespace brenlow
