#include "research/butteraugli.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "io/error.h"

#ifdef BRENLOW_HAS_BUTTERAUGLI
#include <jxl/butteraugli.h>
#include <jxl/thread_parallel_runner.h>

#include "imaging/parallel.h"
#endif

namespace brenlow {
namespace {

bool measurableSize(int width, int height) {
    return width >= kButteraugliMinSide && height >= kButteraugliMinSide &&
           static_cast<long long>(width) * height <= kButteraugliMaxPixels;
}

void checkHeatMapPair(const QImage& reference, const QImage& test) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("The Butteraugli heat map needs pictures of 24 bits per pixel");
    }
    if (reference.size() != test.size() || reference.isNull()) {
        throw Error("The Butteraugli heat map needs two pictures of the same size");
    }
    if (static_cast<long long>(reference.width()) * reference.height() > kButteraugliMaxPixels) {
        throw Error("The Butteraugli heat map takes pictures of up to 4 megapixels");
    }
    if (!measurableSize(reference.width(), reference.height())) {
        throw Error("The Butteraugli heat map needs pictures of at least 8 x 8 pixels");
    }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void paintDistance(double distance, uchar* bgr) {
    std::size_t upper = 1;
    while (upper + 1 < kHeatMapRamp.size() && distance > kHeatMapRamp[upper].distance) ++upper;
    const HeatMapStop& low = kHeatMapRamp[upper - 1];
    const HeatMapStop& high = kHeatMapRamp[upper];
    const double t = std::clamp((distance - low.distance) / (high.distance - low.distance), 0.0, 1.0);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const double value = low.rgb[channel] + t * static_cast<double>(high.rgb[channel] - low.rgb[channel]);
        bgr[2 - channel] = static_cast<uchar>(value + 0.5);
    }
}

#ifdef BRENLOW_HAS_BUTTERAUGLI

// RGB bytes of the bottom-left width x height of a picture, top row first as the library reads them.
std::vector<std::uint8_t> rgbRows(const QImage& picture, int width, int height) {
    std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::uint8_t* out = rgb.data();
    for (int y = picture.height() - height; y < picture.height(); ++y) {
        const uchar* in = picture.constScanLine(y);
        for (int c = 0; c < width; ++c, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
    }
    return rgb;
}

struct ApiRelease {
    void operator()(JxlButteraugliApi* api) const { JxlButteraugliApiDestroy(api); }
};
struct ResultRelease {
    void operator()(JxlButteraugliResult* result) const { JxlButteraugliResultDestroy(result); }
};
struct RunnerRelease {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};
using ButteraugliResult = std::unique_ptr<JxlButteraugliResult, ResultRelease>;

// The distance map of `test` against the reference bytes, both width x height.
ButteraugliResult compute(const std::vector<std::uint8_t>& reference, const std::vector<std::uint8_t>& test, int width,
                          int height) {
    const std::unique_ptr<JxlButteraugliApi, ApiRelease> api(JxlButteraugliApiCreate(nullptr));
    const std::unique_ptr<void, RunnerRelease> runner(
        JxlThreadParallelRunnerCreate(nullptr, static_cast<std::size_t>(kernelThreads())));
    if (!api || !runner) throw Error("Not enough memory to measure the Butteraugli distance");
    JxlButteraugliApiSetParallelRunner(api.get(), JxlThreadParallelRunner, runner.get());
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    ButteraugliResult result(JxlButteraugliCompute(api.get(), static_cast<std::uint32_t>(width),
                                                   static_cast<std::uint32_t>(height), &format, reference.data(),
                                                   reference.size(), &format, test.data(), test.size()));
    if (!result) throw Error("The Butteraugli distance could not be measured (too little memory for the picture?)");
    return result;
}

#endif

}  // namespace

#ifdef BRENLOW_HAS_BUTTERAUGLI

bool butteraugliAvailable() { return true; }

ButteraugliReference butteraugliReference(const QImage& reference, int width, int height) {
    if (!measurableSize(width, height)) return {width, height, {}};
    return {width, height, rgbRows(reference, width, height)};
}

ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const QImage& test) {
    if (reference.rgb.empty()) return {kNaN, kNaN};
    const ButteraugliResult result =
        compute(reference.rgb, rgbRows(test, reference.width, reference.height), reference.width, reference.height);
    return {JxlButteraugliResultGetMaxDistance(result.get()), JxlButteraugliResultGetDistance(result.get(), 3.0f)};
}

ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test) {
    checkHeatMapPair(reference, test);
    const ButteraugliResult result = compute(rgbRows(reference, reference.width(), reference.height()),
                                             rgbRows(test, test.width(), test.height()), reference.width(),
                                             reference.height());
    const float* distances = nullptr;
    std::uint32_t stride = 0;
    JxlButteraugliResultGetDistmap(result.get(), &distances, &stride);
    ButteraugliMap map{reference.width(), reference.height(), {}};
    map.distances.reserve(static_cast<std::size_t>(map.width) * map.height);
    for (int y = 0; y < map.height; ++y) {
        const float* row = distances + static_cast<std::size_t>(y) * stride;
        map.distances.insert(map.distances.end(), row, row + map.width);
    }
    return map;
}

#else

bool butteraugliAvailable() { return false; }

ButteraugliReference butteraugliReference(const QImage&, int width, int height) { return {width, height, {}}; }

ButteraugliDistance butteraugliDistance(const ButteraugliReference&, const QImage&) { return {kNaN, kNaN}; }

ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test) {
    checkHeatMapPair(reference, test);
    throw Error("This build has no Butteraugli measure: libjxl's jxl/butteraugli.h was missing when it was built");
}

#endif

QImage heatMapOf(const ButteraugliMap& map) {
    QImage painted(map.width, map.height, QImage::Format_BGR888);
    for (int y = 0; y < map.height; ++y) {
        uchar* out = painted.scanLine(y);
        for (int x = 0; x < map.width; ++x) paintDistance(map.at(x, y), out + 3 * x);
    }
    return painted;
}

QImage butteraugliHeatMap(const QImage& reference, const QImage& test) {
    return heatMapOf(butteraugliDistanceMap(reference, test));
}

ButteraugliDistance butteraugliDistance(const CommonArea& area) {
    return butteraugliDistance(butteraugliReference(area.reference, area.width, area.height), area.test);
}

}  // namespace brenlow
