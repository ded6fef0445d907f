#include "measures/undefined_measures.h"

#include <cstdio>
#include <string_view>

#include "measures/butteraugli.h"
#include "measures/ssimulacra2.h"
#include "measures/structural_similarity.h"

namespace brenlow {
namespace {

// The sizes a measure is defined for; 0: no limit.
struct SizeLimits {
    std::string title;
    int smallestSide = 0;
    long long mostPixels = 0;
};

SizeLimits limitsOf(const MeasureRow& row) {
    const std::string_view group = row.group ? row.group : "";
    if (group == "ms_ssim") return {"MS-SSIM", kMsSsimSmallestSide, 0};
    if (group == "butteraugli") return {"Butteraugli", kButteraugliMinSide, kButteraugliMaxPixels};
    if (group == "ssimulacra2") return {"SSIMULACRA 2", kSsimulacra2SmallestSide, 0};
    if (row.value == &PictureMeasures::ssimLuma) return {"SSIM", kSsimSmallestSide, 0};
    return {row.label, 0, 0};
}

std::string megapixelsText(double megapixels) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", megapixels);
    return text;
}

std::string squareText(int side) { return std::to_string(side) + " x " + std::to_string(side); }

std::string tooSmall(const SizeLimits& limits) {
    return limits.title + " needs pictures of at least " + squareText(limits.smallestSide) + " pixels";
}

std::string tooLarge(const SizeLimits& limits) {
    return limits.title + " is measured on pictures of at most " +
           megapixelsText(static_cast<double>(limits.mostPixels) / 1e6) +
           " megapixels, as it needs about 250 bytes of memory a pixel";
}

// A build without the measure, or without its module here: the same whatever the pictures.
std::string missingFromBuild(const MeasureRow& row) {
    const OptionalMeasure* optional = row.group ? optionalMeasureNamed(row.group) : nullptr;
    return optional && !optional->availableHere() ? optional->whyUnavailable() : std::string();
}

}  // namespace

std::string undefinedMeasureReason(const MeasureRow& row, int width, int height) {
    if (const std::string missing = missingFromBuild(row); !missing.empty()) return missing + ".";
    const SizeLimits limits = limitsOf(row);
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (limits.mostPixels > 0 && static_cast<long long>(width) * height > limits.mostPixels)
        return tooLarge(limits) + "; these pictures are " + size + " (" +
               megapixelsText(static_cast<double>(width) * height / 1e6) + " megapixels).";
    if (width < limits.smallestSide || height < limits.smallestSide)
        return tooSmall(limits) + "; these pictures are " + size + ".";
    return limits.title + " was not taken for these pictures.";
}

std::string undefinedMeasureReason(const MeasureRow& row, double megapixels) {
    if (const std::string missing = missingFromBuild(row); !missing.empty()) return missing + ".";
    const SizeLimits limits = limitsOf(row);
    const double pixels = megapixels * 1e6;
    if (limits.mostPixels > 0 && pixels > static_cast<double>(limits.mostPixels))
        return tooLarge(limits) + "; these pictures have " + megapixelsText(megapixels) + " megapixels.";
    const double leastSquare = static_cast<double>(limits.smallestSide) * limits.smallestSide;
    if (pixels < leastSquare) return tooSmall(limits) + "; these pictures are smaller.";
    if (limits.smallestSide > 0)
        return tooSmall(limits) + ": these pictures may be narrower or lower than that, or it was not taken.";
    return limits.title + " was not taken for these pictures.";
}

}  // namespace brenlow
