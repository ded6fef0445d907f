#include "measures/gaussian_passes.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "io/error.h"
#include "measures/fused_multiply_add.h"

// Every operation of the passes is a float operation or a fused multiply-add rounded once, so the
// compiler has nothing to keep in wider registers and every build gives the same bits.

namespace brenlow {
namespace {

// How a build of the passes computes: its multiply-add, and how many rows go side by side along
// the rows, one per vector lane (a multiple of 8).
template <class FusedMultiplyAdd, int RowCount>
struct Build {
    using Fma = FusedMultiplyAdd;
    static constexpr int kRows = RowCount;
    using RowLanes = std::array<float, RowCount>;

    static std::size_t lanesAt(int index) { return static_cast<std::size_t>(index) * RowCount; }

    // The filters' outputs of one sample and row, the last first.
    struct FilterState {
        std::array<RowLanes, 3> last{}, beforeLast{};
    };
};

// Outputs t .. t + kOutputs - 1 of every row, kOutputs 1 or 4, from the input sums
// samples[t + j - radius - 1] + samples[t + j + radius - 1]: output j of a step from the sums of
// outputs 0 .. j, the last output before the step and the one before that. Each lane is a row and
// the loop over the lanes holds the whole step, which the compiler turns into vector operations.
template <class B, std::size_t kOutputs>
BRENLOW_FMA_INLINE void step(const GaussianWeights& w, const float* behind, const float* ahead,
                             typename B::FilterState& f, float* out) {
    using Fma = typename B::Fma;
    BRENLOW_SEPARATE_ITERATIONS
    for (int l = 0; l < B::kRows; ++l) {
        std::array<float, kOutputs> sums;
        for (std::size_t j = 0; j < kOutputs; ++j) {
            const std::size_t at = B::lanesAt(static_cast<int>(j)) + static_cast<std::size_t>(l);
            sums[j] = behind[at] + ahead[at];
        }
        std::array<std::array<float, kOutputs>, 3> y;
#pragma GCC unroll 3
        for (std::size_t k = 0; k < 3; ++k) {
#pragma GCC unroll 4
            for (std::size_t j = 0; j < kOutputs; ++j) {
                float v = sums[0] * w.inputSteps[k][j];
#pragma GCC unroll 3
                for (std::size_t i = 1; i <= j; ++i) v = Fma::apply(w.inputSteps[k][j - i], sums[i], v);
                v = Fma::apply(w.beforeLastSteps[k][j], f.beforeLast[k][l], v);
                y[k][j] = Fma::apply(w.lastSteps[k][j], f.last[k][l], v);
            }
            f.beforeLast[k][l] = kOutputs > 1 ? y[k][kOutputs - 2] : f.last[k][l];
            f.last[k][l] = y[k][kOutputs - 1];
        }
        for (std::size_t j = 0; j < kOutputs; ++j)
            out[B::lanesAt(static_cast<int>(j)) + static_cast<std::size_t>(l)] = y[0][j] + (y[1][j] + y[2][j]);
    }
}

// Eight floats as one vector value (a GCC and clang extension), for moving blocks of 8 x 8 samples
// between rows and lanes.
typedef float Eight __attribute__((vector_size(32)));
typedef float EightAnywhere __attribute__((vector_size(32), aligned(4), may_alias));  // at any float's address

// Rows of an 8 x 8 block into columns, by the interleaving steps vector units have.
BRENLOW_FMA_INLINE void transpose(std::array<Eight, 8>& m) {
    std::array<Eight, 8> t;
    for (std::size_t i = 0; i < 8; i += 2) {
        t[i] = __builtin_shufflevector(m[i], m[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[i + 1] = __builtin_shufflevector(m[i], m[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    std::array<Eight, 8> u;
    for (std::size_t i = 0; i < 8; i += 4) {
        u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
        u[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        m[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        m[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}

// Up to B::kRows rows of `width` samples side by side: samples[(2 radius + t) kRows + row] holds
// sample t of the row (times the factor's), zero outside the row and for rows past `count`. Each
// group of eight rows goes through 8 x 8 blocks.
template <class B>
BRENLOW_FMA_INLINE void gatherRows(const BlurSource& source, int first, int count, int radius, GaussianScratch& scratch) {
    const int width = source.plane->width();
    scratch.samples.resize(B::lanesAt(width + 3 * radius));
    std::fill_n(scratch.samples.begin(), B::lanesAt(2 * radius), 0.0f);
    std::fill(scratch.samples.begin() + static_cast<std::ptrdiff_t>(B::lanesAt(2 * radius + width)), scratch.samples.end(),
              0.0f);
    scratch.zeros.assign(static_cast<std::size_t>(width), 0.0f);
    float* inside = scratch.samples.data() + B::lanesAt(2 * radius);
    for (int group = 0; group < B::kRows; group += 8) {
        std::array<const float*, 8> rows, by;
        for (std::size_t l = 0; l < 8; ++l) {
            const int r = group + static_cast<int>(l);
            rows[l] = r < count ? source.plane->row(first + r) : scratch.zeros.data();
            by[l] = r < count && source.factor ? source.factor->row(first + r) : nullptr;
        }
        float* lanes = inside + group;
        int t = 0;
        for (; t + 8 <= width; t += 8) {
            std::array<Eight, 8> block;
            for (std::size_t l = 0; l < 8; ++l) {
                block[l] = *reinterpret_cast<const EightAnywhere*>(rows[l] + t);
                if (by[l]) block[l] *= *reinterpret_cast<const EightAnywhere*>(by[l] + t);
            }
            transpose(block);
            for (std::size_t j = 0; j < 8; ++j)
                *reinterpret_cast<EightAnywhere*>(lanes + B::lanesAt(t + static_cast<int>(j))) = block[j];
        }
        for (; t < width; ++t)
            for (std::size_t l = 0; l < 8; ++l) lanes[B::lanesAt(t) + l] = by[l] ? rows[l][t] * by[l][t] : rows[l][t];
    }
}

// The filtered samples of the rows side by side back into the first `count` of `rows`.
template <class B>
BRENLOW_FMA_INLINE void scatterRows(const std::vector<float>& outputs, int width, int count,
                                    const std::array<float*, B::kRows>& rows) {
    for (int group = 0; group < count; group += 8) {
        const float* lanes = outputs.data() + group;
        const auto inGroup = static_cast<std::size_t>(std::min(8, count - group));
        int t = 0;
        for (; t + 8 <= width; t += 8) {
            std::array<Eight, 8> block;
            for (std::size_t j = 0; j < 8; ++j)
                block[j] = *reinterpret_cast<const EightAnywhere*>(lanes + B::lanesAt(t + static_cast<int>(j)));
            transpose(block);
            for (std::size_t l = 0; l < inGroup; ++l)
                *reinterpret_cast<EightAnywhere*>(rows[static_cast<std::size_t>(group) + l] + t) = block[l];
        }
        for (; t < width; ++t)
            for (std::size_t l = 0; l < inGroup; ++l) rows[static_cast<std::size_t>(group) + l][t] = lanes[B::lanesAt(t) + l];
    }
}

// One output at a time up to the first multiple of four past the radius, where every sample of a
// step of four lies inside the row, then steps of four while their samples do, then one at a time
// again. Outputs before 0 only bring the filters up.
template <class B>
BRENLOW_FMA_INLINE void filterRows(const GaussianWeights& w, int width, GaussianScratch& scratch) {
    const int n = w.radius;
    const float* samples = scratch.samples.data() + B::lanesAt(2 * n);
    scratch.outputs.resize(B::lanesAt(width));
    float* out = scratch.outputs.data();
    typename B::RowLanes warmUp;
    typename B::FilterState filters;
    const auto behind = [&](int t) { return samples + B::lanesAt(t - n - 1); };
    const auto ahead = [&](int t) { return samples + B::lanesAt(t + n - 1); };
    const int firstStep = (n + 1 + 3) / 4 * 4;
    int t = 1 - n;
    for (; t < std::min(firstStep, width); ++t)
        step<B, 1>(w, behind(t), ahead(t), filters, t >= 0 ? out + B::lanesAt(t) : warmUp.data());
    for (; t < width - n + 1 - 3; t += 4) step<B, 4>(w, behind(t), ahead(t), filters, out + B::lanesAt(t));
    for (; t < width; ++t) step<B, 1>(w, behind(t), ahead(t), filters, out + B::lanesAt(t));
}

template <class B>
BRENLOW_FMA_INLINE void blurAlongRowsWith(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out,
                                          GaussianScratch& scratch) {
    for (int first = 0; first < in.height(); first += B::kRows) {
        const int count = std::min(B::kRows, in.height() - first);
        gatherRows<B>({&in}, first, count, w.radius, scratch);
        filterRows<B>(w, in.width(), scratch);
        std::array<float*, B::kRows> rows{};
        for (int l = 0; l < count; ++l) rows[static_cast<std::size_t>(l)] = out.row(first + l);
        scatterRows<B>(scratch.outputs, in.width(), count, rows);
    }
}

// One row of every column's filters: y = input sum - feedback last - beforeLast, written over
// beforeLast, which the next row reads as the last.
template <class Fma>
BRENLOW_FMA_INLINE void columnStep(const GaussianWeights& w, const float* __restrict behind,
                                   const float* __restrict ahead, const std::array<float*, 3>& last,
                                   const std::array<float*, 3>& beforeLast, float* __restrict target, int width) {
    float* __restrict newest0 = beforeLast[0];
    float* __restrict newest1 = beforeLast[1];
    float* __restrict newest2 = beforeLast[2];
    const float* __restrict last0 = last[0];
    const float* __restrict last1 = last[1];
    const float* __restrict last2 = last[2];
    BRENLOW_SEPARATE_ITERATIONS
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

// The rows of the row pass go round a ring of 2 radius + kRows rows a source: the column pass at
// row t reads rows t - radius - 1 and t + radius - 1, and the row pass fills kRows rows at a time
// just before the column pass needs the first of them.
template <class B>
BRENLOW_FMA_INLINE void blurTogetherWith(const GaussianWeights& w, std::span<const BlurSource> sources,
                                         GaussianScratch& scratch, const BlurredRows& take) {
    const int width = sources[0].plane->width();
    const int height = sources[0].plane->height();
    const int n = w.radius;
    const auto row = static_cast<std::size_t>(width);
    const int ringRows = 2 * n + B::kRows;
    scratch.ring.resize(sources.size() * static_cast<std::size_t>(ringRows) * row);
    const auto ringRow = [&](std::size_t source, int r) {
        return scratch.ring.data() + (source * static_cast<std::size_t>(ringRows) + static_cast<std::size_t>(r % ringRows)) * row;
    };
    // Per source its filters' last two rows and its output row; then a row of zeros and one for the
    // outputs before row 0. The filters start at rest.
    scratch.state.assign((7 * sources.size() + 2) * row, 0.0f);
    const auto stateRow = [&](std::size_t i) { return scratch.state.data() + i * row; };
    std::array<std::array<float*, 3>, kMostSources> last{}, beforeLast{};
    std::array<float*, kMostSources> outputs{};
    for (std::size_t s = 0; s < sources.size(); ++s) {
        for (std::size_t k = 0; k < 3; ++k) {
            last[s][k] = stateRow(7 * s + 2 * k);
            beforeLast[s][k] = stateRow(7 * s + 2 * k + 1);
        }
        outputs[s] = stateRow(7 * s + 6);
    }
    const std::array<const float*, kMostSources> blurred{outputs[0], outputs[1], outputs[2]};
    const float* zeros = stateRow(7 * sources.size());
    float* warmUp = stateRow(7 * sources.size() + 1);
    int across = 0;  // rows of the row pass made
    for (int t = 1 - n; t < height; ++t) {
        for (; across < std::min(t + n, height); across += B::kRows) {
            const int count = std::min(B::kRows, height - across);
            for (std::size_t s = 0; s < sources.size(); ++s) {
                gatherRows<B>(sources[s], across, count, n, scratch);
                filterRows<B>(w, width, scratch);
                std::array<float*, B::kRows> rows{};
                for (int l = 0; l < count; ++l) rows[static_cast<std::size_t>(l)] = ringRow(s, across + l);
                scatterRows<B>(scratch.outputs, width, count, rows);
            }
        }
        const int behind = t - n - 1;
        const int ahead = t + n - 1;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            columnStep<typename B::Fma>(w, behind >= 0 ? ringRow(s, behind) : zeros,
                                        ahead < height ? ringRow(s, ahead) : zeros, last[s], beforeLast[s],
                                        t >= 0 ? outputs[s] : warmUp, width);
            std::swap(last[s], beforeLast[s]);
        }
        if (t >= 0) take(t, blurred.data());
    }
}

using EmulatedBuild = Build<EmulatedFma, 8>;
using ProcessorBuild = Build<ProcessorFma, 8>;
using WideBuild = Build<ProcessorFma, 16>;

void blurAlongRowsEmulated(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch) {
    blurAlongRowsWith<EmulatedBuild>(w, in, out, scratch);
}

BRENLOW_FMA_TARGET void blurAlongRowsProcessor(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out,
                                               GaussianScratch& scratch) {
    blurAlongRowsWith<ProcessorBuild>(w, in, out, scratch);
}

BRENLOW_WIDE_FMA_TARGET void blurAlongRowsWide(const GaussianWeights& w, const FloatPlane& in, FloatPlane& out,
                                               GaussianScratch& scratch) {
    blurAlongRowsWith<WideBuild>(w, in, out, scratch);
}

void blurTogetherEmulated(const GaussianWeights& w, std::span<const BlurSource> sources, GaussianScratch& scratch,
                          const BlurredRows& take) {
    blurTogetherWith<EmulatedBuild>(w, sources, scratch, take);
}

BRENLOW_FMA_TARGET void blurTogetherProcessor(const GaussianWeights& w, std::span<const BlurSource> sources,
                                              GaussianScratch& scratch, const BlurredRows& take) {
    blurTogetherWith<ProcessorBuild>(w, sources, scratch, take);
}

BRENLOW_WIDE_FMA_TARGET void blurTogetherWide(const GaussianWeights& w, std::span<const BlurSource> sources,
                                              GaussianScratch& scratch, const BlurredRows& take) {
    blurTogetherWith<WideBuild>(w, sources, scratch, take);
}

}  // namespace

void blurAlongRows(const GaussianWeights& weights, const FloatPlane& in, FloatPlane& out, GaussianScratch& scratch,
                   FmaUnit unit) {
    out.resize(in.width(), in.height());
    if (in.width() == 0) return;
    switch (unit) {
    case FmaUnit::wideProcessor: blurAlongRowsWide(weights, in, out, scratch); break;
    case FmaUnit::processor: blurAlongRowsProcessor(weights, in, out, scratch); break;
    case FmaUnit::emulated: blurAlongRowsEmulated(weights, in, out, scratch); break;
    }
}

void blurTogether(const GaussianWeights& weights, std::span<const BlurSource> sources, GaussianScratch& scratch,
                  FmaUnit unit, const BlurredRows& take) {
    const auto sameSize = [&](const FloatPlane* plane) {
        return !plane || (plane->width() == sources[0].plane->width() && plane->height() == sources[0].plane->height());
    };
    if (sources.empty() || sources.size() > kMostSources ||
        !std::all_of(sources.begin(), sources.end(),
                     [&](const BlurSource& source) { return sameSize(source.plane) && sameSize(source.factor); }))
        throw Error("The Gaussian blur takes one to three planes of one size");
    if (sources[0].plane->width() == 0 || sources[0].plane->height() == 0) return;
    switch (unit) {
    case FmaUnit::wideProcessor: blurTogetherWide(weights, sources, scratch, take); break;
    case FmaUnit::processor: blurTogetherProcessor(weights, sources, scratch, take); break;
    case FmaUnit::emulated: blurTogetherEmulated(weights, sources, scratch, take); break;
    }
}

}  // namespace brenlow
