#pragma once

#include <array>

#include "research/float_plane.h"

namespace brenlow {

// A Gaussian blur as three second-order recursive filters whose impulse responses are truncated
// cosines (Charalampidis, 2016): a kernel of radius round(3.2795 sigma + 0.2546) at a fixed cost
// per sample whatever sigma. Samples outside the plane count as 0, so the blur fades towards the
// borders rather than repeating the edge.
//
// The filters' poles lie on the unit circle, so float rounding is not damped out but carried along
// a whole row or column; the rounding then moves SSIMULACRA 2 by tenths. The arithmetic therefore
// follows the published scores' own: float, fused multiply-adds (exact products, one rounding),
// rows in steps of four outputs from the ninth on, with the step's coefficients precomputed.
class RecursiveGaussian {
public:
    explicit RecursiveGaussian(double sigma);

    int radius() const { return radius_; }

    // One row of `size` samples; `in` and `out` must not overlap.
    void blurLine(const float* in, int size, float* out) const;

    // Across each row into `across`, then down each column into `out`; both take the size of `in`.
    void blur(const FloatPlane& in, FloatPlane& across, FloatPlane& out) const;

private:
    struct Terms {
        std::array<float, 3> v{};
    };
    using Lanes = std::array<float, 4>;

    void blurDown(const FloatPlane& in, FloatPlane& out) const;
    void stepOne(float sum, Terms& last, Terms& beforeLast, float& out) const;
    void stepFour(const float* sums, Terms& last, Terms& beforeLast, float* out) const;

    int radius_ = 0;
    std::array<float, 3> input_{};     // weight of the two samples radius + 1 behind and radius - 1 ahead
    std::array<float, 3> feedback_{};  // minus the weight of the last output; the one before is subtracted
    // Four outputs at once: output j's weights of the four inputs, and of the two outputs before.
    std::array<Lanes, 3> inputLanes_{}, lastLanes_{}, beforeLastLanes_{};
};

}  // namespace brenlow
