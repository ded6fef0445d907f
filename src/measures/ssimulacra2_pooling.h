#pragma once

#include <array>
#include <vector>

namespace brenlow {

// The 1-norm (mean) and the 4-norm (fourth root of the mean fourth power) of each of SSIMULACRA
// 2's three error maps of one channel at one scale: 1 - SSIM, artifacts (edges the test picture has
// where the reference is smooth) and detail lost (the other way round).
struct MapNorms {
    std::array<double, 2> ssim{};
    std::array<double, 2> artifact{};
    std::array<double, 2> detailLost{};
};

// X, Y and B of one scale.
using ScaleNorms = std::array<MapNorms, 3>;

// The score from the norms of the scales measured, finest first (at most six; a small picture
// has fewer): the published weighted sum of the 108 norms, then its published mapping onto the
// scale where 100 is no difference. All norms 0 give 100.
double pooledScore(const std::vector<ScaleNorms>& scales);

}  // namespace brenlow
