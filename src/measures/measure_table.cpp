#include "measures/measure_table.h"

#include <algorithm>
#include <cmath>

#include "measures/butteraugli.h"
#include "measures/colour_difference.h"
#include "measures/prepared_reference.h"
#include "measures/ssimulacra2.h"

namespace brenlow {
namespace {

// A PSNR of 8-bit samples is 0 dB at the largest error; a finite one above 200 dB would take a
// picture of 10^15 pixels with one sample off by one.
constexpr ValueBounds kPsnr{0.0, 200.0, true};
// SSIM and MS-SSIM lie in [-1, 1]; on the dB scale, -10 log10(1 - value), from -10 log10 2 up.
constexpr ValueBounds kStructural{-1.0, 1.0};
constexpr ValueBounds kStructuralDecibels{-3.0103, 200.0, true};
// The mean CIEDE2000 of two sRGB pictures stays below that of the most distant pair of colours
// (green against magenta gives 111).
constexpr ValueBounds kColourDifference{0.0, 200.0};
// Butteraugli's distances and SSIMULACRA 2's score have no closed range; these ends lie far beyond
// the worst flat and patterned pairs we found (blue against yellow 700, green against black -1465).
constexpr ValueBounds kButteraugli{0.0, 100000.0};
constexpr ValueBounds kSsimulacra2{-100000.0, 100.0};

ButteraugliReference butteraugliReferenceOf(const QImage& picture, int width, int height) {
    return butteraugliReference(picture, width, height);
}

Ssimulacra2Reference ssimulacra2ReferenceOf(const QImage& picture, int width, int height) {
    return ssimulacra2Reference(picture, width, height);
}

}  // namespace

const std::vector<OptionalMeasure>& optionalMeasures() {
    using M = PictureMeasures;
    static const std::vector<OptionalMeasure> measures{
        {"ms_ssim", "MS-SSIM", "Five-scale structural similarity of the luma, and its dB", true, false, nullptr, nullptr,
         nullptr},
        {"ciede2000", "CIEDE2000", "Mean colour difference of the pixels", true, false, nullptr, nullptr,
         [](const CommonArea& area, const PreparedReference&, M& measures) { measures.ciede2000 = meanCiede2000(area); }},
        {"butteraugli", "Butteraugli", "Perceptual distance, max and 3-norm; a slow measure", true, true,
         butteraugliAvailable, butteraugliUnavailable,
         [](const CommonArea& area, const PreparedReference& reference, M& measures) {
             const ButteraugliDistance distance = butteraugliDistance(
                 reference.part<ButteraugliReference>(area.width, area.height, butteraugliReferenceOf), area.test);
             measures.butteraugliMax = distance.max;
             measures.butteraugli3Norm = distance.threeNorm;
         }},
        {"ssimulacra2", "SSIMULACRA 2", "Perceptual score from 0 to 100, higher is better; the slowest measure", false,
         true, nullptr, nullptr,
         [](const CommonArea& area, const PreparedReference& reference, M& measures) {
             measures.ssimulacra2 = ssimulacra2(
                 reference.part<Ssimulacra2Reference>(area.width, area.height, ssimulacra2ReferenceOf), area.test);
         }},
    };
    return measures;
}

const std::vector<MeasureRow>& measureTable() {
    using M = PictureMeasures;
    static const std::vector<MeasureRow> rows{
        {"psnr_r", "PSNR red", nullptr, "PSNR_R", "dB", 3, 4, true, nullptr, &M::psnrRed, kPsnr},
        {"psnr_g", "PSNR green", nullptr, "PSNR_G", "dB", 3, 4, true, nullptr, &M::psnrGreen, kPsnr},
        {"psnr_b", "PSNR blue", nullptr, "PSNR_B", "dB", 3, 4, true, nullptr, &M::psnrBlue, kPsnr},
        {"psnr", "PSNR (RGB)", "PSNR", "PSNR", "dB", 3, 4, true, nullptr, &M::psnr, kPsnr, {"PSNR (dB)", true}},
        {"psnr_y", "PSNR luma", nullptr, "PSNR_Y", "dB", 3, 4, true, nullptr, &M::psnrLuma, kPsnr,
         {"PSNR of the luma (dB)", true}},
        {"ssim_y", "SSIM luma", "SSIM", "SSIM_Y", "", 5, 6, true, nullptr, &M::ssimLuma, kStructural,
         {"SSIM of the luma"}},
        {"ms_ssim_y", "MS-SSIM luma", nullptr, "MS-SSIM_Y", "", 5, 6, true, "ms_ssim", &M::msSsimLuma, kStructural,
         {"MS-SSIM of the luma"}},
        {"ms_ssim_y_db", "MS-SSIM luma (dB)", "MS-SSIM", "MS-SSIM_Y_dB", "dB", 3, 4, true, "ms_ssim", &M::msSsimLumaDb,
         kStructuralDecibels, {"MS-SSIM of the luma (dB)", true, "ms_ssim_y"}},
        {"ciede2000", "CIEDE2000", "CIEDE2000", "CIEDE2000", "", 4, 4, false, "ciede2000", &M::ciede2000,
         kColourDifference, {"CIEDE2000 (mean difference)", true}},
        {"butteraugli_max", "Butteraugli max", "Butteraugli", "BUTTERAUGLI_MAX", "", 4, 4, false, "butteraugli",
         &M::butteraugliMax, kButteraugli, {"Butteraugli (max)", true}},
        {"butteraugli_3norm", "Butteraugli 3-norm", "3-norm", "BUTTERAUGLI_3NORM", "", 4, 4, false, "butteraugli",
         &M::butteraugli3Norm, kButteraugli, {"Butteraugli (3-norm)", true}},
        {"ssimulacra2", "SSIMULACRA 2", "SSIMULACRA 2", "SSIMULACRA2", "", 4, 4, true, "ssimulacra2", &M::ssimulacra2,
         kSsimulacra2, {"SSIMULACRA 2", true}},
    };
    return rows;
}

namespace {

// SSIM of the luma on the dB scale: not a measure of its own in the outputs, only on curves.
MeasureRow ssimDecibelsRow(const MeasureRow& ssim) {
    return {"ssim_y_db", "SSIM luma (dB)", nullptr, "SSIM_Y_dB", "dB", 3, 4, true, ssim.group, ssim.value,
            kStructuralDecibels, {"SSIM of the luma (dB)", true, ssim.key, true}};
}

std::vector<MeasureRow> curveRowsOf(const std::vector<MeasureRow>& table) {
    std::vector<MeasureRow> rows;
    for (const MeasureRow& row : table) {
        if (row.curve.label == nullptr) continue;
        rows.push_back(row);
        if (row.value == &PictureMeasures::ssimLuma) rows.push_back(ssimDecibelsRow(row));
    }
    return rows;
}

}  // namespace

const std::vector<MeasureRow>& curveMeasureTable() {
    static const std::vector<MeasureRow> rows = curveRowsOf(measureTable());
    return rows;
}

double MeasureRow::of(const PictureMeasures& measures) const {
    const double measured = measures.*value;
    return curve.decibelsOfValue ? ssimDecibels(measured) : measured;
}

std::string MeasureRow::shown(const PictureMeasures& measures) const {
    const double measured = of(measures);
    const std::string text = formatMeasure(measured, decimals);
    return std::isnan(measured) || *unit == '\0' ? text : text + " " + unit;
}

double ssimDecibels(double linear) { return -10.0 * std::log10(1.0 - linear); }

const std::vector<const MeasureRow*>& recordedMeasureRows() {
    static const std::vector<const MeasureRow*> rows = [] {
        std::vector<const MeasureRow*> recorded;
        for (const MeasureRow& row : measureTable()) recorded.push_back(&row);
        for (const MeasureRow& row : curveMeasureTable())
            if (row.curve.decibelsOfValue) recorded.push_back(&row);
        return recorded;
    }();
    return rows;
}

const MeasureRow* measureRowNamed(std::string_view key) {
    const std::vector<MeasureRow>& rows = measureTable();
    const auto row = std::find_if(rows.begin(), rows.end(), [key](const MeasureRow& r) { return r.key == key; });
    return row == rows.end() ? nullptr : &*row;
}

const OptionalMeasure* optionalMeasureNamed(std::string_view name) {
    const std::vector<OptionalMeasure>& measures = optionalMeasures();
    const auto found =
        std::find_if(measures.begin(), measures.end(), [name](const OptionalMeasure& m) { return m.name == name; });
    return found == measures.end() ? nullptr : &*found;
}

std::vector<std::string> measureNamesTaken(const MeasureChoice& choice) {
    std::vector<std::string> names{"psnr", "ssim"};
    for (const OptionalMeasure& measure : optionalMeasures())
        if (choice.takes(measure.name)) names.emplace_back(measure.name);
    return names;
}

}  // namespace brenlow
