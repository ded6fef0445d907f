#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "research/bd_rate.h"

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

TEST(BjontegaardDeltaRateTest, ACurveAgainstItselfIsZero) {
    EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(1.0)), 0.0, 1e-9);
}

TEST(BjontegaardDeltaRateTest, RatesScaledAtEveryQualityGiveTheScaleFactor) {
    // log10(1.1 r) = log10(r) + log10(1.1) at every quality, so the fits differ by that constant.
    EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(1.1)), 10.0, 1e-9);
    EXPECT_NEAR(bjontegaardDeltaRate(bentCurve(1.0), bentCurve(0.8)), -20.0, 1e-9);
}

TEST(BjontegaardDeltaRateTest, OnlyTheSharedQualityIntervalCounts) {
    // The test curve reaches each rate 1 dB higher: log10 rates differ by -0.05 over the overlap
    // [22, 36] of [20, 36] and [22, 38]: 10^-0.05 - 1 = -10.8749...%.
    const double expected = (std::pow(10.0, -0.05) - 1.0) * 100.0;
    EXPECT_NEAR(bjontegaardDeltaRate(straightCurve(20, 0.0), straightCurve(22, -0.05)), expected, 1e-9);
}

TEST(BjontegaardDeltaRateTest, UndefinedWithoutFourQualitiesOrAnOverlap) {
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
}

}  // namespace
}  // namespace brenlow
