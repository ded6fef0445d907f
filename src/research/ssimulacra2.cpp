#include "research/ssimulacra2.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "imaging/parallel.h"
#include "io/error.h"
#include "research/linear_planes.h"
#include "research/positive_xyb.h"
#include "research/recursive_gaussian.h"
#include "research/ssimulacra2_pooling.h"

namespace brenlow {
namespace {

constexpr int kScales = 6;
constexpr int kSmallestSide = 8;
constexpr double kSigma = 1.5;
constexpr float kC2 = 0.0009f;

// Running sums of a map for its 1-norm and 4-norm.
struct NormSums {
    double sum = 0.0;
    double fourth = 0.0;

    void add(double value) {
        const double square = value * value;
        sum += value;
        fourth += square * square;
    }

    std::array<double, 2> norms(double count) const { return {sum / count, std::sqrt(std::sqrt(fourth / count))}; }
};

struct MapSums {
    NormSums ssim, artifact, detailLost;
};

// The planes the test picture needs per channel at one scale; kept from scale to scale, so only the
// first allocates.
struct ChannelPlanes {
    FloatPlane across;
    FloatPlane meanTest, test2, cross;
    GaussianScratch scratch;
};

// One channel of the reference at one scale: what its SSIM and edge maps read.
struct ReferenceChannel {
    const FloatPlane& x;
    const FloatPlane& mean;
    const FloatPlane& square;
};

// The blurred products the test picture brings: its means, mean squares and the mean cross product.
void blurTestMoments(const FloatPlane& x, const FloatPlane& y, const RecursiveGaussian& gauss, ChannelPlanes& p) {
    gauss.blur(y, p.across, p.meanTest, p.scratch);
    gauss.blurProduct(y, y, p.across, p.test2, p.scratch);
    gauss.blurProduct(x, y, p.across, p.cross, p.scratch);
}

// 1 - SSIM with the luminance term 1 - (mu_x - mu_y)^2, not divided by mu_x^2 + mu_y^2: the values
// are already perceptually spaced, and the division would weigh the darks for nothing. Below 0
// counts as 0.
void addSsimRow(const ReferenceChannel& reference, const ChannelPlanes& p, int r, NormSums& sums) {
    const float* mx = reference.mean.row(r);
    const float* my = p.meanTest.row(r);
    const float* xx = reference.square.row(r);
    const float* yy = p.test2.row(r);
    const float* xy = p.cross.row(r);
    for (int c = 0; c < reference.mean.width(); ++c) {
        const float luminance = 1.0f - (mx[c] - my[c]) * (mx[c] - my[c]);
        const float numerator = 2.0f * (xy[c] - mx[c] * my[c]) + kC2;
        const float denominator = (xx[c] - mx[c] * mx[c]) + (yy[c] - my[c] * my[c]) + kC2;
        sums.add(std::max(1.0 - static_cast<double>(luminance * numerator / denominator), 0.0));
    }
}

// How much more (artifact) or less (detail lost) each test pixel stands out from its blurred
// surroundings than the reference pixel does.
void addEdgeRow(const ReferenceChannel& x, const FloatPlane& y, const ChannelPlanes& p, int r, MapSums& sums) {
    const float* reference = x.x.row(r);
    const float* test = y.row(r);
    const float* mx = x.mean.row(r);
    const float* my = p.meanTest.row(r);
    for (int c = 0; c < y.width(); ++c) {
        const double ratio = (1.0 + std::abs(test[c] - my[c])) / (1.0 + std::abs(reference[c] - mx[c])) - 1.0;
        sums.artifact.add(std::max(ratio, 0.0));
        sums.detailLost.add(std::max(-ratio, 0.0));
    }
}

MapNorms channelNorms(const ReferenceChannel& x, const FloatPlane& y, const RecursiveGaussian& gauss,
                      ChannelPlanes& p) {
    blurTestMoments(x.x, y, gauss, p);
    MapSums sums;
    for (int r = 0; r < y.height(); ++r) {
        addSsimRow(x, p, r, sums.ssim);
        addEdgeRow(x, y, p, r, sums);
    }
    const double count = static_cast<double>(y.width()) * y.height();
    return {sums.ssim.norms(count), sums.artifact.norms(count), sums.detailLost.norms(count)};
}

// The size that lets a scale be made is that of the one above it, as the published scores take
// it: 8 x 8 still gives a 4 x 4 second scale.
bool scaleCanFollow(const ColourPlanes& above) {
    return above[0].width() >= kSmallestSide && above[0].height() >= kSmallestSide;
}

}  // namespace

double ssimulacra2(const QImage& reference, const QImage& test, TransferCurve curve) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("SSIMULACRA 2 needs pictures of 24 bits per pixel");
    }
    return ssimulacra2(CommonArea{reference, test, std::min(reference.width(), test.width()),
                                  std::min(reference.height(), test.height())},
                       curve);
}

double ssimulacra2(const CommonArea& area, TransferCurve curve) {
    if (area.width < kSmallestSide || area.height < kSmallestSide) return std::numeric_limits<double>::quiet_NaN();
    return ssimulacra2(ssimulacra2Reference(area.reference, area.width, area.height, curve), area.test);
}

Ssimulacra2Reference ssimulacra2Reference(const QImage& reference, int width, int height, TransferCurve curve) {
    Ssimulacra2Reference prepared{width, height, curve, {}};
    if (width < kSmallestSide || height < kSmallestSide) return prepared;
    ColourPlanes linear = linearPlanesOf(reference, width, height, curve);
    const RecursiveGaussian gauss(kSigma);
    std::array<ChannelPlanes, 3> planes;
    for (int scale = 0; scale < kScales && scaleCanFollow(linear); ++scale) {
        if (scale > 0) linear = halvedPlanes(linear);
        Ssimulacra2Reference::Scale& made = prepared.scales.emplace_back();
        positiveXybOf(linear, made.xyb);
        parallelFor(3, [&](int channel) {
            const auto c = static_cast<std::size_t>(channel);
            gauss.blur(made.xyb[c], planes[c].across, made.mean[c], planes[c].scratch);
            gauss.blurProduct(made.xyb[c], made.xyb[c], planes[c].across, made.square[c], planes[c].scratch);
        });
    }
    return prepared;
}

double ssimulacra2(const Ssimulacra2Reference& reference, const QImage& test) {
    if (reference.scales.empty()) return std::numeric_limits<double>::quiet_NaN();
    ColourPlanes linear = linearPlanesOf(test, reference.width, reference.height, reference.curve);
    const RecursiveGaussian gauss(kSigma);
    ColourPlanes testXyb;
    std::array<ChannelPlanes, 3> planes;
    std::vector<ScaleNorms> scales;
    for (std::size_t scale = 0; scale < reference.scales.size(); ++scale) {
        if (scale > 0) linear = halvedPlanes(linear);
        positiveXybOf(linear, testXyb);
        const Ssimulacra2Reference::Scale& prepared = reference.scales[scale];
        ScaleNorms norms;
        parallelFor(3, [&](int channel) {
            const auto c = static_cast<std::size_t>(channel);
            norms[c] = channelNorms({prepared.xyb[c], prepared.mean[c], prepared.square[c]}, testXyb[c], gauss, planes[c]);
        });
        scales.push_back(norms);
    }
    return pooledScore(scales);
}

}  // namespace brenlow
