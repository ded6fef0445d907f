#pragma once

#include <limits>
#include <span>

namespace brenlow {

// One point of a rate-distortion curve: a rate (bits per pixel) and a quality (PSNR in dB). The
// quality must grow as the picture gets better: for a measure where higher is worse (a colour
// difference, a perceptual distance) the caller passes its negation and turns the sign of a
// delta quality back.
struct RatePoint {
    double rate = 0.0;
    double quality = 0.0;
};

// How a curve is drawn between its points before it is integrated.
// Cubic: one cubic polynomial fitted to all points by least squares (needs four distinct
// abscissae; points sharing one all count). It smooths measurement noise but can swing between
// widely spaced points.
// Pchip: piecewise cubic Hermite interpolation through the points with monotone (Fritsch-Carlson)
// slopes, so it never overshoots the data (needs two distinct abscissae). It passes through
// every point, so of points sharing an abscissa it keeps the better one: the lowest rate for a
// quality, the highest quality for a rate.
enum class BdInterpolation { Cubic, Pchip };

// A delta with the share of each curve's own range that it was averaged over. The range is the
// quality interval for a delta rate and the log10(rate) interval for a delta quality.
// weakOverlap is set when the shared interval is less than half of either curve's range (or
// empty): the value then describes only a small part of the curves and front ends warn.
// Why a delta has no value, so that a table can say so.
enum class BdUndefined {
    No,                // it has one
    NoValues,          // a curve has no usable point: the measure is not defined for its pictures, or not taken
    TooFewPoints,      // a curve keeps too few distinct points to fit
    NoSharedInterval,  // the curves share no interval
};

struct BdResult {
    double value = std::numeric_limits<double>::quiet_NaN();
    double sharedFractionAnchor = 0.0;
    double sharedFractionTest = 0.0;
    bool weakOverlap = false;
    BdUndefined undefined = BdUndefined::No;
};

// The Bjontegaard delta rate of `test` against `anchor`, in per cent: the mean difference of
// log10(rate) between the curves over the quality interval both cover, as 10^mean - 1, each
// curve's log10(rate) interpolated as a function of quality and integrated exactly. Negative
// means the test codec needs fewer bits for the same quality. Points with a non-finite quality
// or rate, or a rate of zero, are left out; value is NaN when a curve keeps too few distinct
// qualities or the curves share no interval.
BdResult bjontegaardDeltaRateResult(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                                    BdInterpolation interpolation);

// The Bjontegaard delta quality (BD-PSNR for PSNR) of `test` against `anchor`, in quality units:
// the mean difference of quality over the log10(rate) interval both curves cover, each curve's
// quality interpolated as a function of log10(rate). Positive means the test codec reaches a
// higher quality at the same rate. Points are left out and NaN returned as for the delta rate.
BdResult bjontegaardDeltaQualityResult(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                                       BdInterpolation interpolation);

// The value alone of bjontegaardDeltaRateResult and bjontegaardDeltaQualityResult.
double bjontegaardDeltaRate(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                            BdInterpolation interpolation = BdInterpolation::Cubic);
double bjontegaardDeltaQuality(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                               BdInterpolation interpolation = BdInterpolation::Cubic);

}  // namespace brenlow
