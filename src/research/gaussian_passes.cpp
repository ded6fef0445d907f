#include "research/gaussian_passes.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "research/fused_multiply_add.h"

// Every operation of the passes is a float operation or a fused multiply-add rounded once, so the
// compiler has nothing to keep in wider registers and every build gives the same bits.

namespace brenlow {
namespace {

// Along the rows, this many rows go side by side, one per vector lane.
constexpr int kRows = 8;
using RowLanes = std::array<float, kRows>;

std::size_t lanesAt(int index) { return static_cast<std::size_t>(index) * kRows; }

// The filters' outputs of one sample and row, the last first.
struct FilterState {
    std::array<RowLanes, 3> last{}, beforeLast{};
};

// One output of every row: the first output of a step, from one input sum. Each lane is a row and
// the loop over the lanes holds the whole step, which the compiler turns into vector operations.
template <class Fma>
BRENLOW_FMA_INLINE void stepOne(const GaussianWeights& w, const float* behind, const float* ahead, FilterState& f,
                                float* out) {
    for (int l = 0; l < kRows; ++l) {
        const float sum = behind[l] + ahead[l];
        std::array<float, 3> y;
        for (std::size_t k = 0; k < 3; ++k) {
            float v = sum * w.inputSteps[k][0];
            v = Fma::apply(w.beforeLastSteps[k][0], f.beforeLast[k][l], v);
            y[k] = Fma::apply(w.lastSteps[k][0], f.last[k][l], v);
            f.beforeLast[k][l] = f.last[k][l];
            f.last[k][l] = y[k];
        }
        out[l] = y[0] + (y[1] + y[2]);
    }
}

// Four outputs of every row from the four input sums of the step, samples[t + j - radius - 1] +
// samples[t + j + radius - 1] for output t + j.
template <class Fma>
BRENLOW_FMA_INLINE void stepFour(const GaussianWeights& w, const float* behind, const float* ahead, FilterState& f,
                                 float* out) {
    for (int l = 0; l < kRows; ++l) {
        std::array<float, 4> sums;
        for (std::size_t j = 0; j < 4; ++j) sums[j] = behind[lanesAt(static_cast<int>(j)) + l] + ahead[lanesAt(static_cast<int>(j)) + l];
        std::array<std::array<float, 4>, 3> y;
        for (std::size_t k = 0; k < 3; ++k) {
            for (std::size_t j = 0; j < 4; ++j) {
                float v = sums[0] * w.inputSteps[k][j];
                for (std::size_t i = 1; i <= j; ++i) v = Fma::apply(w.inputSteps[k][j - i], sums[i], v);
                v = Fma::apply(w.beforeLastSteps[k][j], f.beforeLast[k][l], v);
                y[k][j] = Fma::apply(w.lastSteps[k][j], f.last[k][l], v);
            }
            f.beforeLast[k][l] = y[k][2];
            f.last[k][l] = y[k][3];
        }
        for (std::size_t j = 0; j < 4; ++j) out[lanesAt(static_cast<int>(j)) + l] = y[0][j] + (y[1][j] + y[2][j]);
    }
}

// Up to kRows rows of `width` samples side by side: samples[(2 radius + t) kRows + row] holds
// sample t of the row, zero outside the row and for rows past `count`.
void gatherRows(const FloatPlane& in, const FloatPlane* factor, int first, int count, int radius,
                std::vector<float>& samples) {
    const int width = in.width();
    samples.assign(lanesAt(width + 3 * radius), 0.0f);
    float* inside = samples.data() + lanesAt(2 * radius);
    for (int l = 0; l < count; ++l) {
        const float* row = in.row(first + l);
        if (factor) {
            const float* by = factor->row(first + l);
            for (int t = 0; t < width; ++t) inside[lanesAt(t) + l] = row[t] * by[t];
        } else {
            for (int t = 0; t < width; ++t) inside[lanesAt(t) + l] = row[t];
        }
    }
}

void scatterRows(const std::vector<float>& outputs, int first, int count, FloatPlane& out) {
    for (int l = 0; l < count; ++l) {
        float* row = out.row(first + l);
        for (int t = 0; t < out.width(); ++t) row[t] = outputs[lanesAt(t) + l];
    }
}

// One output at a time up to the first multiple of four past the radius, where every sample of a
// step of four lies inside the row, then steps of four while their samples do, then one at a time
// again. Outputs before 0 only bring the filters up.
template <class Fma>
BRENLOW_FMA_INLINE void filterRows(const GaussianWeights& w, int width, GaussianScratch& scratch) {
    const int n = w.radius;
    const float* samples = scratch.samples.data() + lanesAt(2 * n);
    scratch.outputs.resize(lanesAt(width));
    float* out = scratch.outputs.data();
    RowLanes warmUp;
    FilterState filters;
    const int firstStep = (n + 1 + 3) / 4 * 4;
    int t = 1 - n;
    for (; t < std::min(firstStep, width); ++t)
        stepOne<Fma>(w, samples + lanesAt(t - n - 1), samples + lanesAt(t + n - 1), filters,
                     t >= 0 ? out + lanesAt(t) : warmUp.data());
    for (; t < width - n + 1 - 3; t += 4)
        stepFour<Fma>(w, samples + lanesAt(t - n - 1), samples + lanesAt(t + n - 1), filters, out + lanesAt(t));
    for (; t < width; ++t) stepOne<Fma>(w, samples + lanesAt(t - n - 1), samples + lanesAt(t + n - 1), filters, out + lanesAt(t));
}

template <class Fma>
BRENLOW_FMA_INLINE void blurRowsWith(const GaussianWeights& w, const FloatPlane& in, const FloatPlane* factor,
                                     FloatPlane& out, GaussianScratch& scratch) {
    for (int first = 0; first < in.height(); first += kRows) {
        const int count = std::min(kRows, in.height() - first);
        gatherRows(in, factor, first, count, w.radius, scratch.samples);
        filterRows<Fma>(w, in.width(), scratch);
        scatterRows(scratch.outputs, first, count, out);
    }
}

// One row of every column's filters: y = input sum - feedback last - beforeLast, written over
// beforeLast, which the next row reads as the last.
template <class Fma>
BRENLOW_FMA_INLINE void columnStep(const GaussianWeights& w, const float* __restrict behind,
                                   const float* __restrict ahead, std::array<float*, 3> last,
                                   std::array<float*, 3> beforeLast, float* __restrict target, int width) {
    float* __restrict newest0 = beforeLast[0];
    float* __restrict newest1 = beforeLast[1];
    float* __restrict newest2 = beforeLast[2];
    const float* __restrict last0 = last[0];
    const float* __restrict last1 = last[1];
    const float* __restrict last2 = last[2];
    for (int c = 0; c < width; ++c) {
        const float sum = behind[c] + ahead[c];
        const float y0 = Fma::apply(w.input[0], sum, Fma::apply(w.lastSteps[0][0], last0[c], -newest0[c]));
        const float y1 = Fma::apply(w.input[1], sum, Fma::apply(w.lastSteps[1][0], last1[c], -newest1[c]));
        const float y2 = Fma::apply(w.input[2], sum, Fma::apply(w.lastSteps[2][0], last2[c], -newest2[c]));
        newest0[c] = y0;
        newest1[c] = y1;
        newest2[c] = y2;
        target[c] = y0 + (y1 + y2);
    }
}

template <class Fma>
BRENLOW_FMA_INLINE void blurColumnsWith(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out,
                                        GaussianScratch& scratch) {
    const int width = in.width();
    const int height = in.height();
    const int n = w.radius;
    scratch.state.assign(8 * static_cast<std::size_t>(width), 0.0f);
    float* rows = scratch.state.data();
    const auto stateRow = [&](int i) { return rows + static_cast<std::size_t>(i) * static_cast<std::size_t>(width); };
    std::array<float*, 3> last{stateRow(0), stateRow(2), stateRow(4)};
    std::array<float*, 3> beforeLast{stateRow(1), stateRow(3), stateRow(5)};
    const float* zeros = stateRow(6);
    float* warmUp = stateRow(7);  // where the outputs before row 0 go
    for (int t = 1 - n; t < height; ++t) {
        const int behind = t - n - 1;
        const int ahead = t + n - 1;
        columnStep<Fma>(w, behind >= 0 ? in.row(behind) : zeros, ahead < height ? in.row(ahead) : zeros, last,
                        beforeLast, t >= 0 ? out.row(t) : warmUp, width);
        std::swap(last, beforeLast);
    }
}

void blurRowsEmulated(const GaussianWeights& w, const FloatPlane& in, const FloatPlane* factor, FloatPlane& out,
                      GaussianScratch& scratch) {
    blurRowsWith<EmulatedFma>(w, in, factor, out, scratch);
}

BRENLOW_FMA_TARGET void blurRowsProcessor(const GaussianWeights& w, const FloatPlane& in, const FloatPlane* factor,
                                          FloatPlane& out, GaussianScratch& scratch) {
    blurRowsWith<ProcessorFma>(w, in, factor, out, scratch);
}

void blurColumnsEmulated(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch) {
    blurColumnsWith<EmulatedFma>(w, in, out, scratch);
}

BRENLOW_FMA_TARGET void blurColumnsProcessor(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out,
                                             GaussianScratch& scratch) {
    blurColumnsWith<ProcessorFma>(w, in, out, scratch);
}

}  // namespace

void blurRows(const GaussianWeights& weights, const FloatPlane& in, const FloatPlane* factor, FloatPlane& out,
              GaussianScratch& scratch, FmaUnit unit) {
    out.resize(in.width(), in.height());
    if (unit == FmaUnit::processor) {
        blurRowsProcessor(weights, in, factor, out, scratch);
    } else {
        blurRowsEmulated(weights, in, factor, out, scratch);
    }
}

void blurColumns(const GaussianWeights& weights, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch,
                 FmaUnit unit) {
    out.resize(in.width(), in.height());
    if (unit == FmaUnit::processor) {
        blurColumnsProcessor(weights, in, out, scratch);
    } else {
        blurColumnsEmulated(weights, in, out, scratch);
    }
}

}  // namespace brenlow
