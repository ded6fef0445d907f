#include "codecs/quantiser.h"

#include <cmath>

#include "imaging/bitmap_bridge.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr const char* kSupportAddress = "brenlow-support@example.org";

}  // namespace

std::string negativeSampleMessage(int channel) {
    return "Negative subtraction result (code=" + std::to_string(channel + 1) + ") ! Send image to " +
           kSupportAddress;
}

void quantisePlanes(ImagePlanes& planes, float divisor) {
    float* const channels[kChannels] = {planes.red(), planes.green(), planes.blue()};
    const std::size_t count = planes.sampleCount();
    for (std::size_t k = 0; k < count; ++k) {
        for (int channel = 0; channel < kChannels; ++channel) {
            float& sample = channels[channel][k];
            const float quotient = sample / divisor;
            if (quotient < 0.0f) {
                throw Error(negativeSampleMessage(channel));
            }
            sample = static_cast<float>(narrowSample(quotient));
        }
    }
}

void dequantisePlanes(ImagePlanes& planes, float multiplier) {
    const double factor = multiplier;
    const std::size_t count = planes.sampleCount();
    for (int channel = 0; channel < kChannels; ++channel) {
        float* samples = planes.plane(channel);
        for (std::size_t k = 0; k < count; ++k) {
            const double value = std::trunc(factor * static_cast<double>(samples[k]));
            samples[k] = value > 255.0 ? 255.0f : static_cast<float>(value);
        }
    }
}

}  // namespace brenlow
