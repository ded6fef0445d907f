#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "experiments/bd_rate.h"
#include "experiments/csv_cells.h"
#include "experiments/sweep.h"
#include "measures/measure_table.h"

namespace brenlow {

// A measure a rate-distortion curve plots: a row of the curve measure table.
class CurveMeasure {
public:
    // The measure of that key ("psnr", "ssim_y_db", ...); throws std::invalid_argument when no
    // curve plots one of that key.
    explicit CurveMeasure(std::string_view key);
    static std::optional<CurveMeasure> named(std::string_view key);

    const MeasureRow& row() const { return *row_; }
    // Its place in curveMeasures().
    std::size_t index() const;

    bool operator==(const CurveMeasure&) const = default;
    bool operator<(const CurveMeasure& other) const { return index() < other.index(); }

private:
    explicit CurveMeasure(const MeasureRow* row) : row_(row) {}
    const MeasureRow* row_;
};

// Every measure curves plot, in the order outputs list them.
const std::vector<CurveMeasure>& curveMeasures();

// The name in CSV, JSON and on the command line: "psnr", "ssim_y_db", ...
const char* measureKey(CurveMeasure measure);
std::optional<CurveMeasure> curveMeasureNamed(const std::string& key);

// How a person reads it: "PSNR (dB)", "MS-SSIM of the luma (dB)", "CIEDE2000 (mean difference)", ...
std::string measureLabel(CurveMeasure measure);

// False for the colour difference and the distances, where a better picture scores lower.
bool higherIsBetter(CurveMeasure measure);

double measureOf(const SweepPoint& point, CurveMeasure measure);

// One curve's points in the order of its qualities: (bits per pixel, measure) per point.
std::vector<RatePoint> curveOf(const SweepOutcome& outcome, const std::string& curveName, CurveMeasure measure);

// The names of the outcome's curves in order (those of its points too, when it lists none).
std::vector<std::string> curveNamesOf(const SweepOutcome& outcome);

// The settings of the named curve as text ("speed=6:yuv=420"); "" when the outcome lacks it.
std::string settingsTextOf(const SweepOutcome& outcome, const std::string& curveName);

// The measures a delta rate is taken on by default: those whose value grows or falls with quality
// on a scale where differences mean the same everywhere (SSIMs in dB), as the table marks them.
const std::vector<CurveMeasure>& deltaMeasures();

// Those of deltaMeasures that `choice` takes.
std::vector<CurveMeasure> deltaMeasuresTaken(const MeasureChoice& choice);

// A curve's Bjontegaard deltas against the anchor curve on one measure with one interpolation: the rate
// in per cent (negative: fewer bits for the same quality) and the quality in the measure's own
// unit (positive: better for PSNR and SSIM dB, negative: better for CIEDE2000 and Butteraugli).
struct DeltaRow {
    std::string curve;
    CurveMeasure measure{"psnr"};
    BdInterpolation interpolation = BdInterpolation::Cubic;
    BdResult rate;
    BdResult quality;
    // An SSIM in dB over a data set taken as the dB of the mean linear value, as published curves
    // give it, rather than as the mean of each picture's dB.
    bool decibelsOfMeanLinear = false;
};

// The linear measure whose mean a dB measure's "dB of the mean" is taken from: SSIM for SSIM dB,
// MS-SSIM for MS-SSIM dB; nullopt for the others.
std::optional<CurveMeasure> linearOf(CurveMeasure decibels);

// The delta rate and delta quality of `test` against `anchor` on one measure: the curves are turned
// round for a measure where lower is better, and the quality delta is turned back into its unit.
struct CurveDeltas {
    BdResult rate;
    BdResult quality;
};
CurveDeltas curveDeltas(std::vector<RatePoint> anchor, std::vector<RatePoint> test, CurveMeasure measure,
                        BdInterpolation interpolation);

// For every curve of the sweep but the anchor, in the sweep's order, each measure in turn with
// the cubic fit and then PCHIP; empty when the anchor was not swept. Measures where lower is
// better are turned round before the curves are compared.
std::vector<DeltaRow> deltaTable(const SweepOutcome& outcome, const std::string& anchor,
                                 const std::vector<CurveMeasure>& measures = deltaMeasures());

// A named curve on a measure, wherever its points come from (one picture, a data set's means).
using CurveSource = std::function<std::vector<RatePoint>(const std::string& curveName, CurveMeasure measure)>;

// deltaTable for the curves named in their order, their points taken from `curves`.
std::vector<DeltaRow> deltaTable(const std::vector<std::string>& curveNames, const CurveSource& curves,
                                 const std::string& anchor, const std::vector<CurveMeasure>& measures);

// "cubic" or "pchip".
const char* interpolationName(BdInterpolation interpolation);
std::optional<BdInterpolation> interpolationNamed(std::string_view name);

// The points as CSV (RFC 4180), a header row first, numbers with a full stop, "inf" for an
// infinite PSNR, "n/a" for an undefined SSIM; the report line is always quoted. The codec column
// names the curve, the settings column gives its settings. The timing columns come last, so that
// cutting them off leaves what every run of the same inputs prints: wall-clock seconds and
// megapixels per second of coding and decoding, then their CPU seconds ("n/a" where unknown).
inline constexpr int kSweepCsvTimingColumns = 6;
std::string sweepCsv(const SweepOutcome& outcome);

// The same CSV's header row and one point's row, each ending in CR LF. Points coded to size targets
// (`sized`) have two more columns before the timing ones: the target and whether it was missed.
std::string sweepCsvHeader(bool sized = false);
std::string sweepCsvRow(const SweepPoint& point, const std::string& settings, bool sized = false);

// Whether the points were coded to size targets rather than at qualities.
bool codedToSizes(const std::vector<SweepPoint>& points);

}  // namespace brenlow
