#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "measures/measures.h"
#include "measures/value_bounds.h"

namespace brenlow {

// The slower measures a run may leave out each belong to a group named as --measures names it;
// the others are always taken.
enum class MeasureGroup { Always, MsSsim, Ciede2000, Butteraugli, Ssimulacra2 };

// How rate-distortion curves use a measure; empty for the measures no curve plots.
struct CurveUse {
    const char* label = nullptr;  // "PSNR (dB)": chart axes, delta tables, reports
    bool compared = false;        // delta rates take it unless told otherwise
    const char* linearKey = nullptr;  // a dB measure's linear measure, whose mean "dB of the mean" takes
    bool decibelsOfValue = false;     // -10 log10(1 - value): a dB scale derived from a linear measure
};

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
    ValueBounds bounds;      // what the measure of two 8-bit pictures can be: figures read from files are held to it
    CurveUse curve{};

    double of(const PictureMeasures& measures) const;
};

// The measures a picture pair is given, as outputs write them.
const std::vector<MeasureRow>& measureTable();

// The measures rate-distortion curves plot, in the order outputs list them: the rows of the table
// that have a curve use, and beside a linear SSIM its dB scale.
const std::vector<MeasureRow>& curveMeasureTable();

// The row of that key; null when there is none.
const MeasureRow* measureRowNamed(std::string_view key);

// The --measures name of a slow group ("ms_ssim", "ciede2000", "butteraugli", "ssimulacra2");
// empty for Always.
const char* measureGroupName(MeasureGroup group);

// The groups a run may leave out, in the order --measures lists them.
const std::vector<MeasureGroup>& slowMeasureGroups();

// -10 log10(1 - value): an SSIM on the dB scale.
double ssimDecibels(double linear);

// What a run with that choice measures, as outputs name it: "psnr", "ssim", then each slow group it takes.
std::vector<std::string> measureNamesTaken(const MeasureChoice& choice);

// Whether a run with that choice takes the measures of the group, and choosing it.
bool groupTaken(MeasureGroup group, const MeasureChoice& choice);
void takeGroup(MeasureGroup group, MeasureChoice& choice, bool taken);

}  // namespace brenlow
