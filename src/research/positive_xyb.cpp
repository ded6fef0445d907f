#include "research/positive_xyb.h"

#include <algorithm>
#include <cmath>

namespace brenlow {
namespace {

// Each row sums to 1, so that grey stays grey.
constexpr float kMix[3][3] = {
    {0.30f, 1.0f - 0.078f - 0.30f, 0.078f},
    {0.23f, 1.0f - 0.078f - 0.23f, 0.078f},
    {0.24342268924547819f, 0.20476744424496821f, 1.0f - 0.24342268924547819f - 0.20476744424496821f},
};
constexpr float kBias = 0.0037930732552754493f;

// a b + c rounded once, as the published scores mix the channels.
inline float fused(float a, float b, float c) {
    return static_cast<float>(static_cast<double>(a) * static_cast<double>(b) + static_cast<double>(c));
}

void xybRow(const float* red, const float* green, const float* blue, int width, float cubeRootOfBias, float* x,
            float* y, float* b) {
    for (int c = 0; c < width; ++c) {
        float response[3];
        for (int i = 0; i < 3; ++i) {
            const float mixed = fused(kMix[i][0], red[c], fused(kMix[i][1], green[c], fused(kMix[i][2], blue[c], kBias)));
            response[i] = std::cbrt(std::max(mixed, 0.0f)) - cubeRootOfBias;
        }
        const float luma = 0.5f * (response[0] + response[1]);
        x[c] = 14.0f * (0.5f * (response[0] - response[1])) + 0.42f;
        y[c] = luma + 0.01f;
        b[c] = (response[2] - luma) + 0.55f;
    }
}

}  // namespace

void positiveXybOf(const ColourPlanes& linear, ColourPlanes& xyb) {
    const int width = linear[0].width();
    const int height = linear[0].height();
    for (FloatPlane& plane : xyb) plane.resize(width, height);
    const float cubeRootOfBias = std::cbrt(kBias);
    for (int r = 0; r < height; ++r)
        xybRow(linear[0].row(r), linear[1].row(r), linear[2].row(r), width, cubeRootOfBias, xyb[0].row(r),
               xyb[1].row(r), xyb[2].row(r));
}

}  // namespace brenlow
