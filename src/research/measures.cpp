#include "research/measures.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/vector_clones.h"
#include "io/error.h"
#include "research/butteraugli.h"
#include "research/colour_difference.h"
#include "research/structural_similarity.h"
#include "imaging/quality_metrics.h"

namespace brenlow {
namespace {

constexpr double kPeak = 255.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double psnrOf(double squaredError, double samples) {
    if (squaredError == 0.0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(kPeak * kPeak / (squaredError / samples));
}

// Energies of one row: whole numbers per byte (blue, green, red), luma errors in double.
struct RowErrors {
    ByteEnergies channel;
    double luma = 0.0;
};

BRENLOW_VECTOR_CLONES void squaredLumaErrors(const uchar* __restrict a, const uchar* __restrict b, int width,
                                             double* __restrict errors) {
    for (int c = 0; c < width; ++c) {
        const double difference = lumaOf(a + 3 * c) - lumaOf(b + 3 * c);
        errors[c] = difference * difference;
    }
}

// Rows whose luma errors are summed side by side: each row's sum is a chain of dependent
// additions in column order, so one chain would wait on every addition.
constexpr int kRowsSideBySide = 8;

// The squared errors of a group of rows, one row after another, and their sums.
class RowGroupErrors {
public:
    explicit RowGroupErrors(int width) : width_(static_cast<std::size_t>(width)), luma_(kRowsSideBySide * width_) {}

    // Rows [first, first + count) of the area, count at most kRowsSideBySide.
    void measure(const CommonArea& area, int first, int count, RowErrors* out) {
        for (int i = 0; i < count; ++i) {
            const uchar* a = area.referenceRow(first + i);
            const uchar* b = area.testRow(first + i);
            out[i].channel = ByteEnergies{};
            addRowEnergies(a, b, area.width, out[i].channel);
            squaredLumaErrors(a, b, area.width, row(i));
        }
        sumLumaInColumnOrder(count, out);
    }

private:
    double* row(int i) { return luma_.data() + static_cast<std::size_t>(i) * width_; }

    // The channel sums are whole numbers, in any order; the luma errors are added in column
    // order, as the plain loop adds them.
    void sumLumaInColumnOrder(int count, RowErrors* out) {
        std::array<double, kRowsSideBySide> sums{};
        std::array<const double*, kRowsSideBySide> rows{};
        for (int i = 0; i < kRowsSideBySide; ++i) rows[static_cast<std::size_t>(i)] = row(std::min(i, count - 1));
        for (std::size_t c = 0; c < width_; ++c)
            for (std::size_t i = 0; i < kRowsSideBySide; ++i) sums[i] += rows[i][c];
        for (int i = 0; i < count; ++i) out[i].luma = sums[static_cast<std::size_t>(i)];
    }

    std::size_t width_;
    std::vector<double> luma_;
};

void measurePsnr(const CommonArea& area, PictureMeasures& measures, ByteEnergies& energies) {
    std::vector<RowErrors> rows(static_cast<std::size_t>(area.height));
    parallelRows(0, area.height, [&](int begin, int end) {
        RowGroupErrors group(area.width);
        for (int r = begin; r < end; r += kRowsSideBySide)
            group.measure(area, r, std::min(kRowsSideBySide, end - r), rows.data() + r);
    });
    energies = ByteEnergies{};
    double luma = 0.0;
    for (const RowErrors& row : rows) {
        for (std::size_t byte = 0; byte < 3; ++byte) {
            energies.signal[byte] += row.channel.signal[byte];
            energies.error[byte] += row.channel.error[byte];
        }
        luma += row.luma;
    }
    const std::uint64_t* error = energies.error;
    const double samples = static_cast<double>(area.width) * area.height;
    measures.psnrRed = psnrOf(static_cast<double>(error[2]), samples);
    measures.psnrGreen = psnrOf(static_cast<double>(error[1]), samples);
    measures.psnrBlue = psnrOf(static_cast<double>(error[0]), samples);
    measures.psnr = psnrOf(static_cast<double>(error[0] + error[1] + error[2]), 3 * samples);
    measures.psnrLuma = psnrOf(luma, samples);
}

double decibelsOfSimilarity(double similarity) {
    if (similarity >= 1.0) return std::numeric_limits<double>::infinity();
    const double decibels = -10.0 * std::log10(1.0 - similarity);
    return decibels == 0.0 ? 0.0 : decibels;  // an MS-SSIM of 0 reads 0 dB, not -0
}

void measurePerceptual(const CommonArea& area, const MeasureChoice& choice, PictureMeasures& measures) {
    const LumaSimilarity similarity = lumaSimilarity(area, choice.msSsim);
    measures.ssimLuma = similarity.ssim;
    measures.msSsimLuma = similarity.msSsim;
    measures.msSsimLumaDb = std::isnan(similarity.msSsim) ? kNaN : decibelsOfSimilarity(similarity.msSsim);
    measures.ciede2000 = choice.ciede2000 ? meanCiede2000(area) : kNaN;
    const ButteraugliDistance butteraugli =
        choice.butteraugli ? butteraugliDistance(area) : ButteraugliDistance{kNaN, kNaN};
    measures.butteraugliMax = butteraugli.max;
    measures.butteraugli3Norm = butteraugli.threeNorm;
}

}  // namespace

PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice) {
    ByteEnergies energies;
    return measurePictures(reference, test, choice, energies);
}

PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice,
                                ByteEnergies& energies) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("Measures need pictures of 24 bits per pixel");
    }
    const CommonArea area{reference, test, std::min(reference.width(), test.width()),
                          std::min(reference.height(), test.height())};
    if (area.width <= 0 || area.height <= 0) {
        throw Error("The two pictures have no pixels in common to measure");
    }
    PictureMeasures measures;
    measurePsnr(area, measures, energies);
    measurePerceptual(area, choice, measures);
    return measures;
}

double bitsPerPixel(std::uint64_t codedBytes, int width, int height) {
    if (width <= 0 || height <= 0) {
        throw Error("Bits per pixel need a picture with pixels");
    }
    return 8.0 * static_cast<double>(codedBytes) / (static_cast<double>(width) * height);
}

std::string formatMeasure(double value, int decimals) {
    if (std::isnan(value)) return "n/a";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

}  // namespace brenlow
