#pragma once

#include <array>
#include <vector>

#include "research/float_plane.h"
#include "research/fused_multiply_add.h"

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
    std::vector<float> state;  // down the columns: each filter's last two rows, a zero row, a spare row
};

// The passes run on the fused multiply-add `unit` names; every unit gives the same bits.

// Along each row of `in` into `out` (resized to the size of `in`). With `factor`, of the same size,
// each sample is first multiplied by factor's sample, in float. Samples outside the row count as 0.
void blurRows(const GaussianWeights& weights, const FloatPlane& in, const FloatPlane* factor, FloatPlane& out,
              GaussianScratch& scratch, FmaUnit unit);

// Down each column of `in` into `out` (resized to the size of `in`); rows outside count as 0.
void blurColumns(const GaussianWeights& weights, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch,
                 FmaUnit unit);

}  // namespace brenlow
