#include "codecs/quantiser.h"

#include <cmath>

#include "imaging/bitmap_bridge.h"
#include "imaging/vector_clones.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr const char* kSupportAddress = "brenlow-support@example.org";

float dequantised(float sample, double factor) {
    const double value = std::trunc(factor * static_cast<double>(sample));
    return value > 255.0 ? 255.0f : static_cast<float>(value);
}

}  // namespace

std::string negativeSampleMessage(int channel) {
    return "Negative subtraction result (code=" + std::to_string(channel + 1) + ") ! Send image to " +
           kSupportAddress;
}

namespace {

// Sample by sample in pixel order, so a negative quotient stops at the first one with its channel.
void quantiseInOrder(ImagePlanes& planes, float divisor) {
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

constexpr float kInt32Limit = 2147483520.0f;  // the largest float below 2^31

// True when every quotient is non-negative and within the 32-bit range (NaN is neither).
BRENLOW_WIDE_VECTOR_CLONES bool quotientsAreOrdinary(const float* samples, std::size_t count, float divisor) {
    int unusual = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const float quotient = samples[k] / divisor;
        unusual |= static_cast<int>(!(quotient >= 0.0f)) | static_cast<int>(!(quotient <= kInt32Limit));
    }
    return unusual == 0;
}

// Within the 32-bit range the low byte of a 32-bit truncation is that of the 64-bit one.
BRENLOW_WIDE_VECTOR_CLONES void quantiseOrdinary(float* samples, std::size_t count, float divisor) {
    for (std::size_t k = 0; k < count; ++k) {
        samples[k] = static_cast<float>(static_cast<std::uint8_t>(static_cast<std::int32_t>(samples[k] / divisor)));
    }
}

BRENLOW_WIDE_VECTOR_CLONES void dequantiseSamples(float* samples, std::size_t count, double factor) {
    for (std::size_t k = 0; k < count; ++k) {
        samples[k] = dequantised(samples[k], factor);
    }
}

}  // namespace

void quantisePlanes(ImagePlanes& planes, float divisor) {
    const std::size_t count = planes.sampleCount();
    for (int channel = 0; channel < kChannels; ++channel) {
        if (!quotientsAreOrdinary(planes.plane(channel), count, divisor)) {
            quantiseInOrder(planes, divisor);
            return;
        }
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        quantiseOrdinary(planes.plane(channel), count, divisor);
    }
}

void dequantisePlanes(ImagePlanes& planes, float multiplier) {
    for (int channel = 0; channel < kChannels; ++channel) {
        dequantiseSamples(planes.plane(channel), planes.sampleCount(), multiplier);
    }
}

namespace {

// The quantiser of the samples 0, step, 2 step, ... as a table, or nothing when one of them
// gives a negative quotient.
template <std::size_t Entries>
std::optional<std::array<std::uint8_t, Entries>> quantiserOfSteps(float divisor, double step) {
    std::array<std::uint8_t, Entries> table{};
    for (std::size_t k = 0; k < Entries; ++k) {
        const float quotient = static_cast<float>(static_cast<double>(k) * step) / divisor;
        if (quotient < 0.0f) {
            return std::nullopt;
        }
        table[k] = narrowSample(quotient);
    }
    return table;
}

}  // namespace

std::optional<ByteTable> quantiserTable(float divisor) { return quantiserOfSteps<256>(divisor, 1.0); }

std::optional<HalvedSampleTable> halvedQuantiserTable(float divisor) {
    return quantiserOfSteps<kHalvedSums>(divisor, 0.25);
}

SampleValues dequantisedSampleValues(float multiplier) {
    SampleValues values{};
    for (int value = 0; value < 256; ++value) {
        values[static_cast<std::size_t>(value)] = dequantised(static_cast<float>(value), multiplier);
    }
    return values;
}

ByteTable dequantiserTable(float multiplier) {
    ByteTable table{};
    for (int value = 0; value < 256; ++value) {
        table[static_cast<std::size_t>(value)] = narrowSample(dequantised(static_cast<float>(value), multiplier));
    }
    return table;
}

QImage mappedBitmap(const QImage& bitmap, const ByteTable& table) {
    QImage mapped = makeBitmap(bitmap.width(), bitmap.height());
    const auto rowBytes = static_cast<std::size_t>(bitmap.width()) * 3;
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* in = bitmap.constScanLine(y);
        uchar* out = mapped.scanLine(y);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            out[i] = table[in[i]];
        }
    }
    return mapped;
}

}  // namespace brenlow
