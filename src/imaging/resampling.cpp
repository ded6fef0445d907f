#include "imaging/resampling.h"

#include <algorithm>
#include <string>

#include "io/error.h"

namespace brenlow {
namespace {

std::string sizeText(const ImagePlanes& planes) {
    return std::to_string(planes.width()) + " x " + std::to_string(planes.height());
}

void halvePlane(const float* source, int sourceWidth, int sourceHeight, float* destination, int destinationWidth) {
    for (int i = 0; i + 1 < sourceHeight; i += 2) {
        const float* row = source + static_cast<std::size_t>(i) * sourceWidth;
        const float* nextRow = row + sourceWidth;
        float* out = destination + static_cast<std::size_t>(i / 2) * destinationWidth;
        for (int j = 0; j + 1 < sourceWidth; j += 2) {
            const double corner = row[j];
            out[j / 2] = static_cast<float>(((corner + row[j + 1]) * 0.5 + (corner + nextRow[j]) * 0.5) * 0.5);
        }
    }
}

// Seeds every even destination row and column from one source pixel below and left of the plain
// position; the odd-odd samples stay 0.0 and become holes for the fill pass.
void seedPlane(const float* source, int sourceWidth, float* destination, int destinationWidth, int destinationHeight) {
    for (int i = 0; i + 1 < destinationHeight; i += 2) {
        const int sr = std::max(i / 2 - 1, 0);
        const float* sourceRow = source + static_cast<std::size_t>(sr) * sourceWidth;
        const float* sourceNextRow = sourceRow + sourceWidth;
        float* out = destination + static_cast<std::size_t>(i) * destinationWidth;
        float* outNext = out + destinationWidth;
        for (int j = 0; j + 1 < destinationWidth; j += 2) {
            const int sc = std::max(j / 2 - 1, 0);
            const double seed = sourceRow[sc];
            out[j] = sourceRow[sc];
            out[j + 1] = static_cast<float>((seed + sourceRow[sc + 1]) * 0.5);
            outNext[j] = static_cast<float>((seed + sourceNextRow[sc]) * 0.5);
        }
    }
}

// Fills every exact 0.0 from its clamped diagonal neighbours, in plane order, so a fill can see
// samples filled earlier in the same pass.
void fillPlane(float* plane, int width, int height) {
    for (int i = 0; i < height; ++i) {
        const int up = std::max(i - 1, 0);
        const int down = std::min(i + 1, height - 1);
        float* upRow = plane + static_cast<std::size_t>(up) * width;
        float* downRow = plane + static_cast<std::size_t>(down) * width;
        float* row = plane + static_cast<std::size_t>(i) * width;
        for (int j = 0; j < width; ++j) {
            if (row[j] != 0.0f) {
                continue;
            }
            const int left = std::max(j - 1, 0);
            const int right = std::min(j + 1, width - 1);
            const double sum = static_cast<double>(upRow[left]) + downRow[right] + downRow[left] + upRow[right];
            row[j] = static_cast<float>(sum * 0.25);
        }
    }
}

}  // namespace

void HalveImage(const ImagePlanes& src, ImagePlanes& dst) {
    if (src.empty() || dst.width() != src.width() / 2 || dst.height() != src.height() / 2) {
        throw Error("Cannot halve a picture of " + sizeText(src) + " into one of " + sizeText(dst));
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        halvePlane(src.plane(channel), src.width(), src.height(), dst.plane(channel), dst.width());
    }
}

void EnlargeImage(const ImagePlanes& src, ImagePlanes& dst, float factor) {
    if (factor != 2.0f) {
        throw Error("Pictures can only be enlarged twofold");
    }
    if (src.width() < 2 || src.height() < 2) {
        throw Error("A picture of " + sizeText(src) + " is too small to enlarge (at least 2 x 2 is needed)");
    }
    if (dst.width() != 2 * src.width() || dst.height() != 2 * src.height()) {
        throw Error("Cannot enlarge a picture of " + sizeText(src) + " into one of " + sizeText(dst));
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        float* destination = dst.plane(channel);
        std::fill_n(destination, dst.sampleCount(), 0.0f);
        seedPlane(src.plane(channel), src.width(), destination, dst.width(), dst.height());
        fillPlane(destination, dst.width(), dst.height());
    }
}

}  // namespace brenlow
