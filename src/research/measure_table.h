#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "research/measures.h"

namespace brenlow {

// The slower measures a run may leave out each belong to a group named as --measures names it;
// the others are always taken.
enum class MeasureGroup { Always, MsSsim, Ciede2000, Butteraugli, Ssimulacra2 };

// One measure of a picture pair, as every writer, panel and report shows it: the one place that
// lists the measures. Rows are in the order outputs list them.
struct MeasureRow {
    const char* key;         // "psnr_y": JSON keys, CSV columns, result files, panel rows
    const char* label;       // "PSNR luma": panels and reports
    const char* lineName;    // "PSNR_Y": compare's line
    const char* unit;        // "dB", or "" for a plain number
    int decimals;            // as compare's line and the panels show it
    int csvDecimals;         // in CSV files
    bool higherIsBetter;
    MeasureGroup group;
    double PictureMeasures::*value;

    double of(const PictureMeasures& measures) const { return measures.*value; }
};

const std::vector<MeasureRow>& measureTable();

// The row of that key; null when there is none.
const MeasureRow* measureRowNamed(std::string_view key);

// The --measures name of a slow group ("ms_ssim", "ciede2000", "butteraugli", "ssimulacra2");
// empty for Always.
const char* measureGroupName(MeasureGroup group);

// The groups a run may leave out, in the order --measures lists them.
const std::vector<MeasureGroup>& slowMeasureGroups();

// Whether a run with that choice takes the measures of the group, and choosing it.
bool groupTaken(MeasureGroup group, const MeasureChoice& choice);
void takeGroup(MeasureGroup group, MeasureChoice& choice, bool taken);

}  // namespace brenlow
