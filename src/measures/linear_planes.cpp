#include "measures/linear_planes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "imaging/parallel.h"
#include "measures/linear_srgb.h"

namespace brenlow {
namespace {

double linearOf(double v, TransferCurve curve) {
    if (curve.exponent > 0.0) return std::pow(v, curve.exponent);
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

std::array<float, 256> linearOfCodes(TransferCurve curve) {
    std::array<float, 256> values{};
    for (std::size_t code = 0; code < values.size(); ++code)
        values[code] = static_cast<float>(linearOf(static_cast<double>(code) / 255.0, curve));
    return values;
}

void halveRow(const float* upper, const float* lower, int sourceWidth, float* half, int halfWidth) {
    for (int c = 0; c < halfWidth; ++c) {
        const int left = 2 * c;
        const int right = std::min(left + 1, sourceWidth - 1);
        half[c] = (upper[left] + upper[right] + lower[left] + lower[right]) * 0.25f;
    }
}

// The planes of a picture that declares colours of its own, converted a row at a time.
void convertedPlanes(const QImage& picture, ColourPlanes& planes) {
    const LinearSrgbConversion conversion(picture.colorSpace());
    const int width = planes[0].width();
    const int firstRow = picture.height() - planes[0].height();
    parallelRows(0, planes[0].height(), [&](int begin, int end) {
        std::vector<float> rgb(3 * static_cast<std::size_t>(width));
        for (int r = begin; r < end; ++r) {
            conversion.convertRow(picture.constScanLine(firstRow + r), width, rgb.data());
            float* red = planes[0].row(r);
            float* green = planes[1].row(r);
            float* blue = planes[2].row(r);
            for (int c = 0; c < width; ++c) {
                red[c] = rgb[3 * c];
                green[c] = rgb[3 * c + 1];
                blue[c] = rgb[3 * c + 2];
            }
        }
    });
}

}  // namespace

ColourPlanes linearPlanesOf(const QImage& picture, int width, int height, TransferCurve curve) {
    ColourPlanes planes;
    for (FloatPlane& plane : planes) plane.resize(width, height);
    if (curve.exponent == 0.0 && !declaresSrgb(picture.colorSpace())) {
        convertedPlanes(picture, planes);
        return planes;
    }
    const std::array<float, 256> linear = linearOfCodes(curve);
    const int firstRow = picture.height() - height;
    for (int r = 0; r < height; ++r) {
        const uchar* bgr = picture.constScanLine(firstRow + r);
        float* red = planes[0].row(r);
        float* green = planes[1].row(r);
        float* blue = planes[2].row(r);
        for (int c = 0; c < width; ++c, bgr += 3) {
            red[c] = linear[bgr[2]];
            green[c] = linear[bgr[1]];
            blue[c] = linear[bgr[0]];
        }
    }
    return planes;
}

ColourPlanes halvedPlanes(const ColourPlanes& planes) {
    const int width = planes[0].width();
    const int height = planes[0].height();
    const int halfWidth = (width + 1) / 2;
    const int halfHeight = (height + 1) / 2;
    ColourPlanes half;
    for (std::size_t channel = 0; channel < planes.size(); ++channel) {
        half[channel].resize(halfWidth, halfHeight);
        for (int r = 0; r < halfHeight; ++r) {
            const float* upper = planes[channel].row(2 * r);
            const float* lower = planes[channel].row(std::min(2 * r + 1, height - 1));
            halveRow(upper, lower, width, half[channel].row(r), halfWidth);
        }
    }
    return half;
}

}  // namespace brenlow
