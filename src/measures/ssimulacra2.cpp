#include "measures/ssimulacra2.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/vector_clones.h"
#include "io/error.h"
#include "measures/linear_planes.h"
#include "measures/positive_xyb.h"
#include "measures/recursive_gaussian.h"
#include "measures/ssimulacra2_pooling.h"

namespace brenlow {
namespace {

constexpr std::size_t kScales = 6;
constexpr int kSmallestSide = kSsimulacra2SmallestSide;
constexpr double kSigma = 1.5;
constexpr float kC2 = 0.0009f;

// Running sums of a map for its 1-norm and 4-norm, added in row order.
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

    // One row of each map. The three maps' sums are independent chains of additions, so adding them
    // in one loop lets the processor overlap them.
    void add(const std::vector<double>& ssimRow, const std::vector<double>& artifactRow,
             const std::vector<double>& detailLostRow) {
        for (std::size_t c = 0; c < ssimRow.size(); ++c) {
            ssim.add(ssimRow[c]);
            artifact.add(artifactRow[c]);
            detailLost.add(detailLostRow[c]);
        }
    }
};

// What the test picture needs per channel at one scale besides its planes, kept from scale to
// scale so that only the first allocates: the blur's memory and one row of each map, whose values
// are worked out side by side before the sums take them in order.
struct ChannelWork {
    GaussianScratch scratch;
    std::vector<double> ssim, artifact, detailLost;
};

// One channel of the reference at one scale: what its SSIM and edge maps read.
struct ReferenceChannel {
    const FloatPlane& x;
    const FloatPlane& mean;
    const FloatPlane& square;
};

// 1 - SSIM with the luminance term 1 - (mu_x - mu_y)^2, not divided by mu_x^2 + mu_y^2: the values
// are already perceptually spaced, and the division would weigh the darks for nothing. Below 0
// counts as 0.
BRENLOW_VECTOR_CLONES void ssimRow(const float* mx, const float* my, const float* xx, const float* yy, const float* xy,
                                   int width, double* out) {
    for (int c = 0; c < width; ++c) {
        const float luminance = 1.0f - (mx[c] - my[c]) * (mx[c] - my[c]);
        const float numerator = 2.0f * (xy[c] - mx[c] * my[c]) + kC2;
        const float denominator = (xx[c] - mx[c] * mx[c]) + (yy[c] - my[c] * my[c]) + kC2;
        out[c] = std::max(1.0 - static_cast<double>(luminance * numerator / denominator), 0.0);
    }
}

// How much more (artifact) or less (detail lost) each test pixel stands out from its blurred
// surroundings than the reference pixel does.
BRENLOW_VECTOR_CLONES void edgeRow(const float* reference, const float* test, const float* mx, const float* my,
                                   int width, double* artifact, double* detailLost) {
    for (int c = 0; c < width; ++c) {
        const double ratio = (1.0 + std::abs(test[c] - my[c])) / (1.0 + std::abs(reference[c] - mx[c])) - 1.0;
        artifact[c] = std::max(ratio, 0.0);
        detailLost[c] = std::max(-ratio, 0.0);
    }
}

// The test picture's blurred mean, mean square and mean product with the reference, a row at a
// time, straight into the maps.
MapNorms channelNorms(const ReferenceChannel& x, const FloatPlane& y, const RecursiveGaussian& gauss, ChannelWork& work) {
    const int width = y.width();
    for (std::vector<double>* row : {&work.ssim, &work.artifact, &work.detailLost})
        row->resize(static_cast<std::size_t>(width));
    MapSums sums;
    const BlurSource moments[] = {{&y}, {&y, &y}, {&x.x, &y}};
    gauss.blurTogether(moments, work.scratch, [&](int r, const float* const* blurred) {
        ssimRow(x.mean.row(r), blurred[0], x.square.row(r), blurred[1], blurred[2], width, work.ssim.data());
        edgeRow(x.x.row(r), y.row(r), x.mean.row(r), blurred[0], width, work.artifact.data(), work.detailLost.data());
        sums.add(work.ssim, work.artifact, work.detailLost);
    });
    const double count = static_cast<double>(width) * y.height();
    return {sums.ssim.norms(count), sums.artifact.norms(count), sums.detailLost.norms(count)};
}

// The reference's blurred mean and mean square, kept whole for every test picture.
void blurReferenceMoments(const FloatPlane& x, const RecursiveGaussian& gauss, GaussianScratch& scratch,
                          FloatPlane& mean, FloatPlane& square) {
    mean.resize(x.width(), x.height());
    square.resize(x.width(), x.height());
    const BlurSource moments[] = {{&x}, {&x, &x}};
    gauss.blurTogether(moments, scratch, [&](int r, const float* const* blurred) {
        std::copy_n(blurred[0], x.width(), mean.row(r));
        std::copy_n(blurred[1], x.width(), square.row(r));
    });
}

// How many scales an area has: the size that lets a scale be made is that of the one above it, as
// the published scores take it (8 x 8 still gives a 4 x 4 second scale), up to six.
std::size_t scalesOf(int width, int height) {
    std::size_t scales = 1;
    for (int side = std::min(width, height); scales < kScales && side >= kSmallestSide; side = (side + 1) / 2) ++scales;
    return scales;
}

// Runs run(task, thread) for every (scale, channel) task, finest scale first, on the kernel
// threads, each thread taking the next task when it has finished one: the three channels of the
// finest scale, three quarters of the work, would otherwise leave a core idle for a third of it.
// Each task writes only its own results, so the order changes nothing but the time.
void forEachScaleAndChannel(std::size_t scales, const std::function<void(std::size_t, std::size_t, int)>& run) {
    const auto tasks = static_cast<int>(3 * scales);
    std::atomic<int> next{0};
    parallelFor(kernelThreads(), [&](int thread) {
        for (int task = next++; task < tasks; task = next++)
            run(static_cast<std::size_t>(task / 3), static_cast<std::size_t>(task % 3), thread);
    });
}

// The XYB planes of every scale, from the linear planes of the finest.
std::vector<ColourPlanes> xybPyramid(ColourPlanes linear, std::size_t scales) {
    std::vector<ColourPlanes> pyramid(scales);
    for (std::size_t scale = 0; scale < scales; ++scale) {
        if (scale > 0) linear = halvedPlanes(linear);
        positiveXybOf(linear, pyramid[scale]);
    }
    return pyramid;
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
    const std::size_t scales = scalesOf(width, height);
    std::vector<ColourPlanes> xyb = xybPyramid(std::move(linear), scales);
    prepared.scales.resize(scales);
    const RecursiveGaussian gauss(kSigma);
    std::vector<GaussianScratch> scratch(static_cast<std::size_t>(kernelThreads()));
    forEachScaleAndChannel(scales, [&](std::size_t scale, std::size_t c, int thread) {
        Ssimulacra2Reference::Scale& made = prepared.scales[scale];
        made.xyb[c] = std::move(xyb[scale][c]);
        blurReferenceMoments(made.xyb[c], gauss, scratch[static_cast<std::size_t>(thread)], made.mean[c], made.square[c]);
    });
    return prepared;
}

double ssimulacra2(const Ssimulacra2Reference& reference, const QImage& test) {
    if (reference.scales.empty()) return std::numeric_limits<double>::quiet_NaN();
    const std::size_t scales = reference.scales.size();
    const std::vector<ColourPlanes> testXyb =
        xybPyramid(linearPlanesOf(test, reference.width, reference.height, reference.curve), scales);
    const RecursiveGaussian gauss(kSigma);
    std::vector<ChannelWork> work(static_cast<std::size_t>(kernelThreads()));
    std::vector<ScaleNorms> norms(scales);
    forEachScaleAndChannel(scales, [&](std::size_t scale, std::size_t c, int thread) {
        const Ssimulacra2Reference::Scale& prepared = reference.scales[scale];
        norms[scale][c] = channelNorms({prepared.xyb[c], prepared.mean[c], prepared.square[c]}, testXyb[scale][c], gauss,
                                       work[static_cast<std::size_t>(thread)]);
    });
    return pooledScore(norms);
}

}  // namespace brenlow
