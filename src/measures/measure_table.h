#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "measures/common_area.h"
#include "measures/measures.h"
#include "measures/value_bounds.h"

namespace brenlow {

// A slower measure a run may leave out, as --measures names it. Its values are the rows of the
// measure table whose group is its name.
struct OptionalMeasure {
    const char* name;         // "ms_ssim": --measures, the lists of measures taken, result folders
    const char* title;        // "MS-SSIM": the workbench's choices
    const char* description;  // what it gives, for a tool tip
    bool takenByDefault;
    // Far slower per pixel than the rest: the workbench asks for it rather than assuming it.
    bool slowest;
    bool (*available)();  // whether this build measures it; a measure it lacks is NaN
    // Why this build cannot measure it here (its library's module may fail to open at run time).
    std::string (*unavailable)();
    // Writes its values of the area into `measures`. Null for the one the SSIM pass takes along,
    // since it needs the same windows over the same rows.
    void (*measure)(const CommonArea& area, const PreparedReference& reference, PictureMeasures& measures);

    bool availableHere() const { return available == nullptr || available(); }
    std::string whyUnavailable() const { return unavailable != nullptr ? unavailable() : std::string(); }
};

// The optional measures, in the order --measures and every list of them name them.
const std::vector<OptionalMeasure>& optionalMeasures();

// The optional measure of that name; null when there is none.
const OptionalMeasure* optionalMeasureNamed(std::string_view name);

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
    const char* shortName;   // "PSNR": the compare window's summary; null where it is left out
    const char* lineName;    // "PSNR_Y": compare's line
    const char* unit;        // "dB", or "" for a plain number
    int decimals;            // as compare's line and the panels show it
    int csvDecimals;         // in CSV files
    bool higherIsBetter;
    const char* group;       // the optional measure it belongs to, by name; null: always taken
    double PictureMeasures::*value;
    ValueBounds bounds;      // what the measure of two 8-bit pictures can be: figures read from files are held to it
    CurveUse curve{};

    double of(const PictureMeasures& measures) const;
    // As panels show it: its decimals, then its unit unless the value is n/a.
    std::string shown(const PictureMeasures& measures) const;
    bool takenBy(const MeasureChoice& choice) const { return group == nullptr || choice.takes(group); }
};

// The measures a picture pair is given, as outputs write them.
const std::vector<MeasureRow>& measureTable();

// The measures rate-distortion curves plot, in the order outputs list them: the rows of the table
// that have a curve use, and beside a linear SSIM its dB scale.
const std::vector<MeasureRow>& curveMeasureTable();

// The row of that key; null when there is none.
const MeasureRow* measureRowNamed(std::string_view key);

// The figures a picture pair's record gives, in its order: every row of the table, then the dB
// scales curves take from a linear measure, so that a reader can check a curve by each picture.
const std::vector<const MeasureRow*>& recordedMeasureRows();

// -10 log10(1 - value): an SSIM on the dB scale.
double ssimDecibels(double linear);

// What a run with that choice measures, as outputs name it: "psnr", "ssim", then each optional
// measure it takes.
std::vector<std::string> measureNamesTaken(const MeasureChoice& choice);

}  // namespace brenlow
