#pragma once

#include "measures/float_plane.h"
#include "measures/gaussian_passes.h"

namespace brenlow {

// A Gaussian blur as three second-order recursive filters whose impulse responses are truncated
// cosines (Charalampidis, 2016): a kernel of radius round(3.2795 sigma + 0.2546) at a fixed cost
// per sample whatever sigma. Samples outside the plane count as 0, so the blur fades towards the
// borders rather than repeating the edge.
//
// The filters' poles lie on the unit circle, so float rounding is not damped out but carried along
// a whole row or column; the rounding then moves SSIMULACRA 2 by hundredths, and by tenths with a
// rounding more per step. The arithmetic therefore follows the published scores' own, and is
// written out operation by operation: float, fused multiply-adds rounded once, rows in steps of
// four outputs from the ninth on with the step's coefficients precomputed (gaussian_passes.h).
class RecursiveGaussian {
public:
    explicit RecursiveGaussian(double sigma);

    int radius() const { return weights_.radius; }
    const GaussianWeights& weights() const { return weights_; }

    // One row of `size` samples; `in` and `out` must not overlap.
    void blurLine(const float* in, int size, float* out) const;

    // Along each row, then down each column, into `out` (resized to the size of `in`).
    void blur(const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch) const;
    void blur(const FloatPlane& in, FloatPlane& out) const;

    // Blurs one to three sources together, handing over each row of the results once complete
    // (blurTogether in gaussian_passes.h).
    void blurTogether(std::span<const BlurSource> sources, GaussianScratch& scratch, const BlurredRows& take) const;

private:
    GaussianWeights weights_;
    FmaUnit unit_;
};

}  // namespace brenlow
