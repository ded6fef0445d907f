#pragma once

#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "measures/common_area.h"

namespace brenlow {

// Whether this build measures Butteraugli distances: only when libjxl 0.7's jxl/butteraugli.h
// was there to build against. Without it the distances are NaN and the heat map throws.
bool butteraugliAvailable();

// Why it is not, for a person: this build lacks the header, or its module could not be opened at
// run time ("Butteraugli is unavailable: the module brenlow_module_jxl.so could not be opened: ...").
// Empty when it is available.
std::string butteraugliUnavailable();

// The library needs about 250 bytes per pixel, so larger areas are not measured.
constexpr long long kButteraugliMaxPixels = 2048LL * 2048;

// Below this many pixels on a side the library's filters have nothing to work on and it reports
// 0 ("identical") whatever the pictures hold, so the distance is left undefined there.
constexpr int kButteraugliMinSide = 8;

// Butteraugli distances of the test picture against the reference (8-bit sRGB): the largest of
// the distance map and its 3-norm. NaN for both when butteraugliAvailable() is false, or the area
// has more than kButteraugliMaxPixels pixels or a side under kButteraugliMinSide.
struct ButteraugliDistance {
    double max = 0.0;
    double threeNorm = 0.0;
};

// Throws Error when the library cannot measure the pair (for instance out of memory).
ButteraugliDistance butteraugliDistance(const CommonArea& area);

// The intensity, in cd/m2, the library takes white to be: what its interface and its own
// benchmarks take for pictures of standard dynamic range.
constexpr float kButteraugliIntensityTarget = 255.0F;

// A picture's pixels as the library reads them, top row first: its 8-bit sRGB bytes as they are,
// or, for a picture that declares colours of its own, linear-light sRGB in floats.
struct ButteraugliPixels {
    std::vector<std::uint8_t> bytes;
    std::vector<float> linear;

    bool empty() const { return bytes.empty() && linear.empty(); }
};

// The reference's pixels as the library reads them, kept for measuring many pictures against it:
// the library's own interface takes the reference anew with every picture, so this is all of its
// work that can be shared. Empty where the distance is left undefined.
struct ButteraugliReference {
    int width = 0;
    int height = 0;
    ButteraugliPixels pixels;
};

// The reference's share over its bottom-left width x height (Format_BGR888, at least that large).
ButteraugliReference butteraugliReference(const QImage& reference, int width, int height);

// The distances of the bottom-left area of `test` of the prepared size, exactly those
// butteraugliDistance gives for the same pair. Throws Error as it does.
ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const QImage& test);

// The same for a test picture's pixels already as the library reads them, of the prepared size.
ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const ButteraugliPixels& test);

// The colours the heat map paints distances with, linear between stops; distances past the last
// take its colour. Shared with the legend that explains them.
struct HeatMapStop {
    double distance;
    std::array<int, 3> rgb;
};
inline constexpr std::array<HeatMapStop, 4> kHeatMapRamp = {
    {{0.0, {0, 0, 96}}, {1.0, {0, 200, 0}}, {2.0, {255, 220, 0}}, {3.0, {220, 0, 0}}}};

// The distance map of two Format_BGR888 pictures of the same size as a Format_BGR888 picture of
// that size: 0 dark blue, 1 green, 2 yellow, 3 and above red, linear between those. Throws Error
// for other formats, different sizes, more than kButteraugliMaxPixels pixels, or a build without
// Butteraugli.
QImage butteraugliHeatMap(const QImage& reference, const QImage& test);

// The distance map itself, a distance per pixel, rows from the top as the pictures' scan lines.
struct ButteraugliMap {
    int width = 0;
    int height = 0;
    std::vector<float> distances;  // row by row

    float at(int x, int y) const { return distances[static_cast<std::size_t>(y) * width + x]; }
};

// The same pair as butteraugliHeatMap takes, with the same errors.
ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test);

// The heat map's colours of a distance map.
QImage heatMapOf(const ButteraugliMap& map);

}  // namespace brenlow
