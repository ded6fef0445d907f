#include "measures/measure_table.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

const std::vector<MeasureRow>& measureTable() {
    using G = MeasureGroup;
    using M = PictureMeasures;
    static const std::vector<MeasureRow> rows{
        {"psnr_r", "PSNR red", "PSNR_R", "dB", 3, 4, true, G::Always, &M::psnrRed, kPsnr},
        {"psnr_g", "PSNR green", "PSNR_G", "dB", 3, 4, true, G::Always, &M::psnrGreen, kPsnr},
        {"psnr_b", "PSNR blue", "PSNR_B", "dB", 3, 4, true, G::Always, &M::psnrBlue, kPsnr},
        {"psnr", "PSNR (RGB)", "PSNR", "dB", 3, 4, true, G::Always, &M::psnr, kPsnr, {"PSNR (dB)", true}},
        {"psnr_y", "PSNR luma", "PSNR_Y", "dB", 3, 4, true, G::Always, &M::psnrLuma, kPsnr,
         {"PSNR of the luma (dB)", true}},
        {"ssim_y", "SSIM luma", "SSIM_Y", "", 5, 6, true, G::Always, &M::ssimLuma, kStructural, {"SSIM of the luma"}},
        {"ms_ssim_y", "MS-SSIM luma", "MS-SSIM_Y", "", 5, 6, true, G::MsSsim, &M::msSsimLuma, kStructural,
         {"MS-SSIM of the luma"}},
        {"ms_ssim_y_db", "MS-SSIM luma (dB)", "MS-SSIM_Y_dB", "dB", 3, 4, true, G::MsSsim, &M::msSsimLumaDb,
         kStructuralDecibels, {"MS-SSIM of the luma (dB)", true, "ms_ssim_y"}},
        {"ciede2000", "CIEDE2000", "CIEDE2000", "", 4, 4, false, G::Ciede2000, &M::ciede2000, kColourDifference,
         {"CIEDE2000 (mean difference)", true}},
        {"butteraugli_max", "Butteraugli max", "BUTTERAUGLI_MAX", "", 4, 4, false, G::Butteraugli, &M::butteraugliMax,
         kButteraugli, {"Butteraugli (max)", true}},
        {"butteraugli_3norm", "Butteraugli 3-norm", "BUTTERAUGLI_3NORM", "", 4, 4, false, G::Butteraugli,
         &M::butteraugli3Norm, kButteraugli, {"Butteraugli (3-norm)", true}},
        {"ssimulacra2", "SSIMULACRA 2", "SSIMULACRA2", "", 4, 4, true, G::Ssimulacra2, &M::ssimulacra2, kSsimulacra2,
         {"SSIMULACRA 2", true}},
    };
    return rows;
}

namespace {

// SSIM of the luma on the dB scale: not a measure of its own in the outputs, only on curves.
MeasureRow ssimDecibelsRow(const MeasureRow& ssim) {
    return {"ssim_y_db", "SSIM luma (dB)", "SSIM_Y_dB", "dB", 3, 4, true, ssim.group, ssim.value, kStructuralDecibels,
            {"SSIM of the luma (dB)", true, ssim.key, true}};
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

double ssimDecibels(double linear) { return -10.0 * std::log10(1.0 - linear); }

const MeasureRow* measureRowNamed(std::string_view key) {
    const std::vector<MeasureRow>& rows = measureTable();
    const auto row = std::find_if(rows.begin(), rows.end(), [key](const MeasureRow& r) { return r.key == key; });
    return row == rows.end() ? nullptr : &*row;
}

const char* measureGroupName(MeasureGroup group) {
    switch (group) {
        case MeasureGroup::MsSsim:
            return "ms_ssim";
        case MeasureGroup::Ciede2000:
            return "ciede2000";
        case MeasureGroup::Butteraugli:
            return "butteraugli";
        case MeasureGroup::Ssimulacra2:
            return "ssimulacra2";
        case MeasureGroup::Always:
            break;
    }
    return "";
}

const std::vector<MeasureGroup>& slowMeasureGroups() {
    static const std::vector<MeasureGroup> groups{MeasureGroup::MsSsim, MeasureGroup::Ciede2000, MeasureGroup::Butteraugli,
                                                  MeasureGroup::Ssimulacra2};
    return groups;
}

namespace {

// The choice's flag for a slow group; null for the measures always taken.
bool MeasureChoice::*flagOf(MeasureGroup group) {
    switch (group) {
        case MeasureGroup::MsSsim:
            return &MeasureChoice::msSsim;
        case MeasureGroup::Ciede2000:
            return &MeasureChoice::ciede2000;
        case MeasureGroup::Butteraugli:
            return &MeasureChoice::butteraugli;
        case MeasureGroup::Ssimulacra2:
            return &MeasureChoice::ssimulacra2;
        case MeasureGroup::Always:
            break;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> measureNamesTaken(const MeasureChoice& choice) {
    std::vector<std::string> names{"psnr", "ssim"};
    for (const MeasureGroup group : slowMeasureGroups())
        if (groupTaken(group, choice)) names.emplace_back(measureGroupName(group));
    return names;
}

bool groupTaken(MeasureGroup group, const MeasureChoice& choice) {
    const auto flag = flagOf(group);
    return flag == nullptr || choice.*flag;
}

void takeGroup(MeasureGroup group, MeasureChoice& choice, bool taken) {
    if (const auto flag = flagOf(group)) choice.*flag = taken;
}

}  // namespace brenlow
