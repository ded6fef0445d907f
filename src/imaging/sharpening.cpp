#include "imaging/sharpening.h"

#include <algorithm>

namespace brenlow {
namespace {

void sharpenPlane(float* plane, const float* copy, int width, int height, double strength) {
    for (int i = 1; i + 1 < height; ++i) {
        const float* previous = copy + static_cast<std::size_t>(i - 1) * width;
        const float* current = previous + width;
        const float* next = current + width;
        float* out = plane + static_cast<std::size_t>(i) * width;
        for (int j = 1; j + 1 < width; ++j) {
            const double edges = static_cast<double>(current[j - 1]) + previous[j] + next[j] + current[j + 1];
            const double corners = static_cast<double>(previous[j - 1]) + next[j - 1] + previous[j + 1] + next[j + 1];
            const double laplacian = edges * 4 + corners - 20 * static_cast<double>(current[j]);
            float value = static_cast<float>(out[j] - ((laplacian * strength) * (1.0 / 6)));
            if (!(value >= 0.0f)) {
                value = 0.0f;
            }
            out[j] = value > 255.0f ? 255.0f : value;
        }
    }
}

}  // namespace

void SharpenImage(ImagePlanes& planes, float strength) {
    if (planes.width() < 3 || planes.height() < 3) {
        return;
    }
    // Every neighbour is read as it was before the pass, so the visiting order does not matter.
    const ImagePlanes copy = planes.clone();
    for (int channel = 0; channel < kChannels; ++channel) {
        sharpenPlane(planes.plane(channel), copy.plane(channel), planes.width(), planes.height(), strength);
    }
}

}  // namespace brenlow
