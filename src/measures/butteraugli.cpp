#include "measures/butteraugli.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "imaging/parallel.h"
#include "io/error.h"
#include "measures/butteraugli_library.h"
#include "measures/linear_srgb.h"
#include "modules/module_loader.h"

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

// The library reads floats as linear-light sRGB, and bytes as sRGB's code values.
std::vector<float> linearRows(const QImage& picture, int width, int height) {
    const LinearSrgbConversion conversion(picture.colorSpace());
    const auto rowFloats = 3 * static_cast<std::size_t>(width);
    std::vector<float> linear(rowFloats * static_cast<std::size_t>(height));
    const int firstRow = picture.height() - height;
    parallelRows(0, height, [&](int begin, int end) {
        for (int r = begin; r < end; ++r)
            conversion.convertRow(picture.constScanLine(firstRow + r), width, linear.data() + rowFloats * r);
    });
    return linear;
}

ButteraugliPixels libraryPixels(const QImage& picture, int width, int height) {
    if (declaresSrgb(picture.colorSpace())) return {rgbRows(picture, width, height), {}};
    return {{}, linearRows(picture, width, height)};
}

// The JPEG XL library's measurement, from its module; null when the module cannot be opened.
ButteraugliOutcome (*libraryMeasurement())(const ButteraugliCall&) {
    const OpenedModule& jxl = openedModule("jxl");
    return jxl.table != nullptr ? jxl.table->butteraugli : nullptr;
}

ButteraugliOutcome measured(const ButteraugliPixels& reference, const ButteraugliPixels& test, int width, int height,
                            bool wantsMap) {
    const auto measure = libraryMeasurement();
    if (measure == nullptr) throw Error(butteraugliUnavailable());
    return measure({&reference, &test, width, height, kernelThreads(), wantsMap});
}

#endif

}  // namespace

#ifdef BRENLOW_HAS_BUTTERAUGLI

bool butteraugliAvailable() { return libraryMeasurement() != nullptr; }

std::string butteraugliUnavailable() {
    return butteraugliAvailable() ? "" : "Butteraugli is unavailable: " + openedModule("jxl").failure;
}

ButteraugliReference butteraugliReference(const QImage& reference, int width, int height) {
    if (!measurableSize(width, height) || !butteraugliAvailable()) return {width, height, {}};
    return {width, height, libraryPixels(reference, width, height)};
}

ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const QImage& test) {
    if (reference.pixels.empty()) return {kNaN, kNaN};
    return butteraugliDistance(reference, libraryPixels(test, reference.width, reference.height));
}

ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const ButteraugliPixels& test) {
    if (reference.pixels.empty()) return {kNaN, kNaN};
    return measured(reference.pixels, test, reference.width, reference.height, false).distance;
}

ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test) {
    checkHeatMapPair(reference, test);
    ButteraugliOutcome outcome =
        measured(libraryPixels(reference, reference.width(), reference.height()),
                 libraryPixels(test, test.width(), test.height()), reference.width(), reference.height(), true);
    return {reference.width(), reference.height(), std::move(outcome.map)};
}

#else

bool butteraugliAvailable() { return false; }

std::string butteraugliUnavailable() {
    return "This build has no Butteraugli: libjxl 0.7's jxl/butteraugli.h was missing when it was built";
}

ButteraugliReference butteraugliReference(const QImage&, int width, int height) { return {width, height, {}}; }

ButteraugliDistance butteraugliDistance(const ButteraugliReference&, const QImage&) { return {kNaN, kNaN}; }

ButteraugliDistance butteraugliDistance(const ButteraugliReference&, const ButteraugliPixels&) { return {kNaN, kNaN}; }

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
