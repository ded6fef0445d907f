#include "measures/measures.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include "imaging/parallel.h"
#include "imaging/quality_metrics.h"
#include "imaging/vector_clones.h"
#include "io/error.h"
#include "measures/measure_table.h"
#include "measures/prepared_reference.h"
#include "measures/row_errors.h"
#include "measures/still_measures.h"
#include "measures/structural_similarity.h"

namespace brenlow {
namespace {

constexpr double kPeak = 255.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double psnrOf(double squaredError, double samples) {
    if (squaredError == 0.0) return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(kPeak * kPeak / (squaredError / samples));
}

BRENLOW_VECTOR_CLONES void squaredLumaErrors(const uchar* __restrict a, const uchar* __restrict b, int width,
                                             double* __restrict errors) {
    for (int c = 0; c < width; ++c) {
        const double difference = lumaOf(a + 3 * c) - lumaOf(b + 3 * c);
        errors[c] = difference * difference;
    }
}

// The row sums of an area that holds no SSIM window, whose pass would have taken them.
void measureRowErrors(const CommonArea& area, std::vector<RowErrors>& rows) {
    parallelRows(0, area.height, [&](int begin, int end) {
        LumaErrorRows errors(static_cast<std::size_t>(area.width));
        for (int first = begin; first < end; first += LumaErrorRows::kSideBySide) {
            const int count = std::min(LumaErrorRows::kSideBySide, end - first);
            for (int i = 0; i < count; ++i) {
                const uchar* a = area.referenceRow(first + i);
                const uchar* b = area.testRow(first + i);
                addRowEnergies(a, b, area.width, rows[static_cast<std::size_t>(first + i)].channel);
                squaredLumaErrors(a, b, area.width, errors.row(i));
            }
            errors.addInColumnOrder(count, static_cast<std::size_t>(area.width), rows.data() + first);
        }
    });
}

// The PSNR family from the sums of every row, added up in row order.
void psnrOfRows(const CommonArea& area, const std::vector<RowErrors>& rows, PictureMeasures& measures,
                ByteEnergies& energies) {
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

// Whether the choice takes a measure that the SSIM pass takes along.
bool takesAlongWithSsim(const MeasureChoice& choice) {
    for (const OptionalMeasure& measure : optionalMeasures())
        if (measure.measure == nullptr && choice.takes(measure.name)) return true;
    return false;
}

void takeMultiScale(const LumaSimilarity& similarity, PictureMeasures& measures) {
    measures.msSsimLuma = similarity.msSsim;
    measures.msSsimLumaDb = std::isnan(similarity.msSsim) ? kNaN : decibelsOfSimilarity(similarity.msSsim);
}

// The optional measures measured on their own, each by its row of the table.
void measureOnTheirOwn(const CommonArea& area, const PreparedReference& prepared, const MeasureChoice& choice,
                       PictureMeasures& measures) {
    for (const OptionalMeasure& measure : optionalMeasures())
        if (measure.measure != nullptr && choice.takes(measure.name)) measure.measure(area, prepared, measures);
}

// The PSNR family's row sums are taken by the SSIM pass while it has the rows at hand, so that
// both pictures are gone through once; an area too small for a window goes through on its own.
void measurePsnrAndPerceptual(const CommonArea& area, const PreparedReference& prepared, const MeasureChoice& choice,
                              PictureMeasures& measures, ByteEnergies& energies) {
    std::vector<RowErrors> rows(static_cast<std::size_t>(area.height));
    const LumaSimilarity similarity = lumaSimilarity(area, takesAlongWithSsim(choice), &rows);
    if (!similarity.rowErrorsTaken) measureRowErrors(area, rows);
    psnrOfRows(area, rows, measures, energies);
    measures.ssimLuma = similarity.ssim;
    takeMultiScale(similarity, measures);
    measureOnTheirOwn(area, prepared, choice, measures);
    for (const MeasureRow& row : measureTable())
        if (!row.takenBy(choice)) measures.*row.value = kNaN;
}

CommonArea commonAreaOf(const QImage& reference, const QImage& test) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("Measures need pictures of 24 bits per pixel");
    }
    const CommonArea area{reference, test, std::min(reference.width(), test.width()),
                          std::min(reference.height(), test.height())};
    if (area.width <= 0 || area.height <= 0) {
        throw Error("The two pictures have no pixels in common to measure");
    }
    return area;
}

}  // namespace

PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice) {
    ByteEnergies energies;
    return measurePictures(reference, test, choice, energies);
}

PictureMeasures measurePictures(const QImage& reference, const QImage& test, const MeasureChoice& choice,
                                ByteEnergies& energies) {
    return measurePictures(PreparedReference(reference), test, choice, energies);
}

PictureMeasures measurePictures(const PreparedReference& prepared, const QImage& test, const MeasureChoice& choice,
                                ByteEnergies& energies) {
    const CommonArea area = commonAreaOf(prepared.picture(), test);
    PictureMeasures measures;
    measurePsnrAndPerceptual(area, prepared, choice, measures, energies);
    return measures;
}

void addMeasures(const PreparedReference& prepared, const QImage& decoded, const MeasureChoice& more,
                 PictureMeasures& measures) {
    const QImage test = inSourceColours(decoded, prepared.picture());
    const CommonArea area = commonAreaOf(prepared.picture(), test);
    if (takesAlongWithSsim(more)) takeMultiScale(lumaSimilarity(area, true), measures);
    measureOnTheirOwn(area, prepared, more, measures);
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
    // The largest double has 309 digits before the point: room for every finite value in full.
    std::string text(320 + static_cast<std::size_t>(std::max(decimals, 0)), '\0');
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "n/a";
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    return text;
}

}  // namespace brenlow
