#pragma once

#include <span>

namespace brenlow {

// One point of a rate-distortion curve: a rate (bits per pixel) and a quality (PSNR in dB).
struct RatePoint {
    double rate = 0.0;
    double quality = 0.0;
};

// The Bjontegaard delta rate of `test` against `anchor`, in per cent: the mean difference of
// log10(rate) between the curves over the quality interval both cover, as 10^mean - 1. Each
// curve's log10(rate) is fitted as a cubic polynomial of quality by least squares and integrated
// exactly. Negative means the test codec needs fewer bits for the same quality. Points with a
// non-finite quality or a rate of zero are left out; NaN when a curve keeps fewer than four
// distinct qualities or the curves share no interval.
double bjontegaardDeltaRate(std::span<const RatePoint> anchor, std::span<const RatePoint> test);

}  // namespace brenlow
