#include "imaging/quality_metrics.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/vector_clones.h"
#include "io/error.h"

namespace brenlow {
namespace {

struct Energies {
    double signal = 0.0;
    double error = 0.0;
};

BRENLOW_VECTOR_CLONES Energies channelEnergies(const float* reference, int referenceWidth, const float* test, int testWidth, int width,
                         int height) {
    Energies energies;
    for (int r = 0; r < height; ++r) {
        const float* a = reference + static_cast<std::size_t>(r) * referenceWidth;
        const float* b = test + static_cast<std::size_t>(r) * testWidth;
        for (int c = 0; c < width; ++c) {
            const double difference = static_cast<double>(a[c]) - static_cast<double>(b[c]);
            energies.error += difference * difference;
            energies.signal += static_cast<double>(a[c]) * static_cast<double>(a[c]);
        }
    }
    return energies;
}

double ratioOf(const Energies& energies) { return energies.error == 0.0 ? -1.0 : energies.signal / energies.error; }

// Sums of squares of a run of pixels, lane by lane: lane i holds bytes i, i + 48, i + 96, ... so
// the loop runs on whole vectors and lane i belongs to channel i % 3. A lane takes at most
// kLaneTerms squares of at most 255 * 255, which 32 bits hold.
constexpr int kLanes = 48;
constexpr int kLaneTerms = 65536;

struct LaneSums {
    std::uint32_t signal[kLanes];
    std::uint32_t error[kLanes];
};

BRENLOW_VECTOR_CLONES void addLaneSquares(const uchar* __restrict a, const uchar* __restrict b, int groups,
                                          LaneSums& sums) {
    for (int g = 0; g < groups; ++g) {
        for (int i = 0; i < kLanes; ++i) {
            const int x = a[kLanes * g + i];
            const int difference = x - b[kLanes * g + i];
            sums.signal[i] += static_cast<std::uint32_t>(x * x);
            sums.error[i] += static_cast<std::uint32_t>(difference * difference);
        }
    }
}

ByteEnergies byteEnergies(const QImage& reference, const QImage& test, int width, int rowBegin, int rowEnd) {
    ByteEnergies energies;
    for (int r = rowBegin; r < rowEnd; ++r) {
        // Row r counts from the bottom in both pictures, as plane rows do.
        addRowEnergies(reference.constScanLine(reference.height() - 1 - r), test.constScanLine(test.height() - 1 - r),
                       width, energies);
    }
    return energies;
}

double ratioOf(std::uint64_t signal, std::uint64_t error) {
    return error == 0 ? -1.0 : static_cast<double>(signal) / static_cast<double>(error);
}

}  // namespace

void addRowEnergies(const uchar* a, const uchar* b, int width, ByteEnergies& energies) {
    const int bytes = 3 * width;
    const int wholeGroups = bytes / kLanes;
    for (int firstGroup = 0; firstGroup < wholeGroups; firstGroup += kLaneTerms) {
        LaneSums sums{};
        addLaneSquares(a + kLanes * firstGroup, b + kLanes * firstGroup,
                       std::min(kLaneTerms, wholeGroups - firstGroup), sums);
        for (int i = 0; i < kLanes; ++i) {
            energies.signal[i % 3] += sums.signal[i];
            energies.error[i % 3] += sums.error[i];
        }
    }
    for (int k = wholeGroups * kLanes; k < bytes; ++k) {
        const int x = a[k];
        const int difference = x - b[k];
        energies.signal[k % 3] += static_cast<std::uint64_t>(x * x);
        energies.error[k % 3] += static_cast<std::uint64_t>(difference * difference);
    }
}

SnrTriple ChannelSnr(const QImage& reference, const QImage& test) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("Signal-to-noise ratios need pictures of 24 bits per pixel");
    }
    const int width = std::min(reference.width(), test.width());
    const int height = std::min(reference.height(), test.height());
    const int bands = std::clamp(height / 64, 1, kernelThreads());
    std::vector<ByteEnergies> parts(static_cast<std::size_t>(bands));
    parallelFor(bands, [&](int band) {
        parts[static_cast<std::size_t>(band)] =
            byteEnergies(reference, test, width, height * band / bands, height * (band + 1) / bands);
    });
    ByteEnergies total;
    for (const ByteEnergies& part : parts) {
        for (int byte = 0; byte < kChannels; ++byte) {
            total.signal[byte] += part.signal[byte];
            total.error[byte] += part.error[byte];
        }
    }
    return snrOfEnergies(total);
}

SnrTriple snrOfEnergies(const ByteEnergies& energies) {
    return {ratioOf(energies.signal[2], energies.error[2]), ratioOf(energies.signal[1], energies.error[1]),
            ratioOf(energies.signal[0], energies.error[0])};
}

SnrTriple ChannelSnr(const ImagePlanes& reference, const ImagePlanes& test) {
    const int width = std::min(reference.width(), test.width());
    const int height = std::min(reference.height(), test.height());
    double ratios[kChannels];
    parallelFor(kChannels, [&](int channel) {
        ratios[channel] = ratioOf(channelEnergies(reference.plane(channel), reference.width(), test.plane(channel),
                                                  test.width(), width, height));
    });
    return {ratios[0], ratios[1], ratios[2]};
}

std::string FormatRatio(double ratio) {
    // "%.4e" rounds the exact binary value to five significant digits, ties to even.
    char scientific[64];
    std::snprintf(scientific, sizeof scientific, "%.4e", ratio);
    const std::string text(scientific);
    const auto exponentAt = text.find('e');
    if (ratio <= 0.0 || exponentAt == std::string::npos) {
        return text;  // not a ratio of two sizes; shown as it is
    }
    const std::string digits = text.substr(0, 1) + text.substr(2, 4);
    const int integerDigits = std::atoi(text.c_str() + exponentAt + 1) + 1;
    if (integerDigits <= 0) {
        return std::string(".").append(static_cast<std::size_t>(-integerDigits), '0').append(digits);
    }
    if (integerDigits >= 5) {
        return digits + std::string(static_cast<std::size_t>(integerDigits - 5), '0') + ".";
    }
    return digits.substr(0, static_cast<std::size_t>(integerDigits)) + "." +
           digits.substr(static_cast<std::size_t>(integerDigits));
}

CompressionFigures makeFigures(std::uint64_t originalSize, std::uint64_t codedSize) {
    if (codedSize == 0) {
        throw Error("The coded file is empty, so there is no compression ratio");
    }
    CompressionFigures figures;
    figures.originalSize = originalSize;
    figures.codedSize = codedSize;
    const long double quotient =
        static_cast<long double>(figures.originalSize) / static_cast<long double>(figures.codedSize);
    figures.compressionRatio = static_cast<float>(quotient);
    return figures;
}

std::string formatSnr(double snr) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(static_cast<float>(snr)));
    return text;
}

std::string shortReportLine(const CompressionFigures& figures) {
    return "Ratio: " + FormatRatio(figures.compressionRatio) + "; File size: " + std::to_string(figures.codedSize) +
           "; Original size: " + std::to_string(figures.originalSize);
}

std::string fullReportLine(const CompressionFigures& figures, const SnrTriple& snr) {
    return shortReportLine(figures) + " SNR_R=" + formatSnr(snr.red) + "; SNR_G=" + formatSnr(snr.green) +
           "; SNR_B=" + formatSnr(snr.blue) + ";";
}

}  // namespace brenlow
