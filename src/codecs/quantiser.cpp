#include "codecs/quantiser.h"

#include <cmath>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BRENLOW_BYTE_PERMUTES 1
#endif

#include "imaging/bitmap_bridge.h"
#include "imaging/parallel.h"
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

namespace {

void mapBytes(const uchar* in, uchar* out, std::size_t count, const ByteTable& table) {
    for (std::size_t i = 0; i < count; ++i) out[i] = table[in[i]];
}

#if defined(BRENLOW_BYTE_PERMUTES)
// The table in four 64-byte registers: each byte's low seven bits pick an entry of one half with
// one permutation, and its top bit picks the half. 64 bytes take five instructions instead of 64
// loads.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void mapBytesByPermutes(const uchar* in, uchar* out,
                                                                                std::size_t count,
                                                                                const ByteTable& table) {
    const __m512i quarter0 = _mm512_loadu_si512(table.data());
    const __m512i quarter1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i quarter2 = _mm512_loadu_si512(table.data() + 128);
    const __m512i quarter3 = _mm512_loadu_si512(table.data() + 192);
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i bytes = _mm512_loadu_si512(in + i);
        const __m512i lowHalf = _mm512_permutex2var_epi8(quarter0, bytes, quarter1);
        const __m512i highHalf = _mm512_permutex2var_epi8(quarter2, bytes, quarter3);
        _mm512_storeu_si512(out + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), lowHalf, highHalf));
    }
    mapBytes(in + i, out + i, count - i, table);
}

bool hasBytePermutes() {
    static const bool has = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return has;
}
#endif

void mapRow(const uchar* in, uchar* out, std::size_t count, const ByteTable& table) {
#if defined(BRENLOW_BYTE_PERMUTES)
    if (hasBytePermutes()) {
        mapBytesByPermutes(in, out, count, table);
        return;
    }
#endif
    mapBytes(in, out, count, table);
}

}  // namespace

QImage mappedBitmap(const QImage& bitmap, const ByteTable& table) {
    QImage mapped = makeBitmap(bitmap.width(), bitmap.height());
    const auto rowBytes = static_cast<std::size_t>(bitmap.width()) * 3;
    uchar* firstLine = mapped.bits();  // taken once, before the threads start
    const auto bytesPerLine = static_cast<std::size_t>(mapped.bytesPerLine());
    parallelRows(0, bitmap.height(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            mapRow(bitmap.constScanLine(y), firstLine + static_cast<std::size_t>(y) * bytesPerLine, rowBytes, table);
    });
    return mapped;
}

}  // namespace brenlow
