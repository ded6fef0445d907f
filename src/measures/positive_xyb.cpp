#include "measures/positive_xyb.h"

#include <algorithm>

#include "measures/cube_root.h"

namespace brenlow {
namespace {

// Each row sums to 1, so that grey stays grey.
constexpr float kMix[3][3] = {
    {0.30f, 1.0f - 0.078f - 0.30f, 0.078f},
    {0.23f, 1.0f - 0.078f - 0.23f, 0.078f},
    {0.24342268924547819f, 0.20476744424496821f, 1.0f - 0.24342268924547819f - 0.20476744424496821f},
};
constexpr float kBias = 0.0037930732552754493f;

// The mix is a chain of fused multiply-adds, each rounded once, as the published scores mix. The
// three steps go through the row one after another, the responses held in the output rows, so that
// each loop turns into vector code.
template <class Fma>
BRENLOW_FMA_INLINE void xybRow(const float* red, const float* green, const float* blue, int width,
                               float cubeRootOfBias, float* x, float* y, float* b) {
    float* const responses[3] = {x, y, b};
    BRENLOW_SEPARATE_ITERATIONS
    for (int c = 0; c < width; ++c) {
#pragma GCC unroll 3
        for (int i = 0; i < 3; ++i) {
            const float mixed =
                Fma::apply(kMix[i][0], red[c], Fma::apply(kMix[i][1], green[c], Fma::apply(kMix[i][2], blue[c], kBias)));
            responses[i][c] = std::max(mixed, 0.0f);
        }
    }
    for (float* response : responses)
        for (int c = 0; c < width; ++c) response[c] = cubeRoot(response[c]) - cubeRootOfBias;
    BRENLOW_SEPARATE_ITERATIONS
    for (int c = 0; c < width; ++c) {
        const float luma = 0.5f * (x[c] + y[c]);
        const float difference = 0.5f * (x[c] - y[c]);
        x[c] = 14.0f * difference + 0.42f;
        y[c] = luma + 0.01f;
        b[c] = (b[c] - luma) + 0.55f;
    }
}

template <class Fma>
BRENLOW_FMA_INLINE void xybPlanes(const ColourPlanes& linear, ColourPlanes& xyb) {
    const float cubeRootOfBias = cubeRoot(kBias);
    for (int r = 0; r < linear[0].height(); ++r)
        xybRow<Fma>(linear[0].row(r), linear[1].row(r), linear[2].row(r), linear[0].width(), cubeRootOfBias,
                    xyb[0].row(r), xyb[1].row(r), xyb[2].row(r));
}

void xybPlanesEmulated(const ColourPlanes& linear, ColourPlanes& xyb) { xybPlanes<EmulatedFma>(linear, xyb); }

BRENLOW_FMA_TARGET void xybPlanesProcessor(const ColourPlanes& linear, ColourPlanes& xyb) {
    xybPlanes<ProcessorFma>(linear, xyb);
}

BRENLOW_WIDE_FMA_TARGET void xybPlanesWide(const ColourPlanes& linear, ColourPlanes& xyb) {
    xybPlanes<ProcessorFma>(linear, xyb);
}

}  // namespace

void positiveXybOf(const ColourPlanes& linear, ColourPlanes& xyb, FmaUnit unit) {
    for (FloatPlane& plane : xyb) plane.resize(linear[0].width(), linear[0].height());
    switch (unit) {
    case FmaUnit::wideProcessor: xybPlanesWide(linear, xyb); break;
    case FmaUnit::processor: xybPlanesProcessor(linear, xyb); break;
    case FmaUnit::emulated: xybPlanesEmulated(linear, xyb); break;
    }
}

}  // namespace brenlow
