#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <vector>

#include "measures/float_plane.h"
#include "measures/fused_multiply_add.h"

namespace brenlow {

// The weights of the three second-order recursive filters in float, as the passes use them: each
// filter k is y[t] = input[k] (x[t - radius - 1] + x[t + radius - 1]) - feedback[k] y[t-1] - y[t-2].
struct GaussianWeights {
    using Lanes = std::array<float, 4>;

    int radius = 0;
    std::array<float, 3> input{};
    std::array<float, 3> feedback{};
    // Along the rows the filters advance four outputs at a time: output j of a step from the step's
    // four input sums (weights inputSteps[k][j - i] for sum i <= j), the last output before the
    // step and the one before that. Output 0's weights are input, -feedback and -1.
    std::array<Lanes, 3> inputSteps{}, lastSteps{}, beforeLastSteps{};
};

// Working memory of the passes, kept by the caller so that a run of blurs allocates once.
struct GaussianScratch {
    std::vector<float> samples;  // along the rows: several rows' samples side by side, padded with zeros
    std::vector<float> outputs;
    std::vector<float> zeros;  // stands for the rows a last block of rows lacks
    std::vector<float> ring;   // the rows along which the column pass is about to go
    std::vector<float> state;  // down the columns: each filter's last two rows and the output rows
};

// A plane to blur, or with `factor` (of the same size) the product of the two sample by sample,
// each product rounded to float.
struct BlurSource {
    const FloatPlane* plane = nullptr;
    const FloatPlane* factor = nullptr;
};
constexpr std::size_t kMostSources = 3;

// Receives the blurred row `row` of every source, in the order of the sources; the rows last until
// the next call.
using BlurredRows = std::function<void(int row, const float* const* blurred)>;

// The pass along the rows alone, into `out` (resized to the size of `in`).
void blurAlongRows(const GaussianWeights& weights, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch,
                   FmaUnit unit);

// Blurs one to three sources of one size along their rows and then down their columns, samples
// outside counting as 0, and hands each row of the results to `take` as soon as it is complete, the
// top row first. No plane of the intermediate results is made: the rows of the row pass are kept
// only while the column pass needs them. The passes run on the fused multiply-add `unit` names;
// every unit gives the same bits. Throws Error for other numbers or sizes.
void blurTogether(const GaussianWeights& weights, std::span<const BlurSource> sources, GaussianScratch& scratch,
                  FmaUnit unit, const BlurredRows& take);

}  // namespace brenlow
