#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "experiments/sweep.h"
#include "experiments/sweep_report.h"

namespace brenlow {

// The library versions a run's figures depend on, by library name.
using LibraryVersions = std::map<std::string, std::string>;

// How a data set's times were taken: each point's timing runs and the threads each codec coded on;
// 0 where not recorded (results kept before they were, points decoded elsewhere, merged runs that
// differ in them).
struct TimingConditions {
    int runs = 0;
    int threadsPerCodec = 0;
    bool operator==(const TimingConditions&) const = default;
};

// What every result of one data set must share to be averaged with the others.
struct DataSetParameters {
    std::vector<int> qualities;
    std::vector<double> bppTargets;  // when the curves were coded to sizes instead of at the qualities
    float divisor = 2.5f;
    std::int32_t passes = 2;
    MeasureChoice measures;
    LibraryVersions versions;
    TimingConditions timing;
};

bool operator==(const DataSetParameters& a, const DataSetParameters& b);

// The parameters of a sweep's settings made with these libraries.
DataSetParameters dataSetParameters(const SweepSettings& settings, const LibraryVersions& versions);

// One picture's points, codec by codec in the data set's order, qualities within.
struct PictureOutcome {
    std::string picture;  // the path as given or expanded
    SweepOutcome sweep;
};

// One curve at one quality over the data set: the mean bits per pixel and the mean of each
// measure over the pictures where it is defined (a NaN is left out; an infinite PSNR makes the
// mean infinite), and how many pictures each mean is over.
struct AggregatePoint {
    std::string curve;
    int quality = 0;  // 0 for a size target: each picture has its own quality there
    double targetBpp = std::numeric_limits<double>::quiet_NaN();
    int missed = 0;   // pictures whose lowest quality still coded above the target
    int pictures = 0;
    double bitsPerPixel = 0.0;
    std::vector<double> means;  // by curveMeasures() order; NaN when no picture has the measure
    std::vector<int> counts;    // the same order
    // The spread over the pictures: each measure's sample standard deviation (n - 1) in the same
    // order, and that of the bits per pixel; NaN below two pictures or where a value is infinite.
    std::vector<double> deviations;
    double bitsPerPixelDeviation = std::numeric_limits<double>::quiet_NaN();
    // Speed: the median over the timed pictures of each one's megapixels per second (wall clock) of
    // coding and of decoding; NaN when none was timed.
    double encodeMegapixelsPerSecond = std::numeric_limits<double>::quiet_NaN();
    double decodeMegapixelsPerSecond = std::numeric_limits<double>::quiet_NaN();
    int timedPictures = 0;
    // The same on processor seconds, over the pictures whose processor seconds are known.
    double encodeCpuMegapixelsPerSecond = std::numeric_limits<double>::quiet_NaN();
    double decodeCpuMegapixelsPerSecond = std::numeric_limits<double>::quiet_NaN();
    int cpuTimedPictures = 0;
};

// A picture that could not be swept with a curve, and why: the run goes on with the other items.
struct FailedItem {
    std::string picture;
    std::string curve;
    std::string reason;
    bool operator==(const FailedItem&) const = default;
};

// A whole data set: every picture's sweep and the aggregate curves. The curves and pictures keep
// the order the run was asked for.
struct DataSetOutcome {
    std::vector<std::string> pictures;
    std::vector<CodecCurve> curves;
    DataSetParameters parameters;
    std::vector<PictureOutcome> outcomes;   // one per picture, in the order of `pictures`
    std::vector<AggregatePoint> aggregate;  // curve by curve, qualities within
    std::vector<FailedItem> failed;         // items without points, in the items' order
    std::vector<TimedRun> timedRuns;        // the runs that timed its items, as distinctRuns gives them
    // Each picture's colour encoding, in the order of `pictures`; empty where its results predate the record.
    std::vector<std::string> colourEncodings;
};

// An aggregate point's SSIM and MS-SSIM in dB taken the other way, as the dB of the mean linear
// value: ("ssim_y_db_of_mean", value), ("ms_ssim_y_db_of_mean", value).
std::vector<std::pair<std::string, double>> decibelsOfMeanLinear(const AggregatePoint& point);

// The aggregate points of the per-picture outcomes: each curve at each quality (or size target) some
// picture has, averaged over the pictures that have it, in the order of `curves` and of the first
// picture's qualities or targets.
std::vector<AggregatePoint> aggregatePoints(const std::vector<PictureOutcome>& outcomes,
                                            const std::vector<CodecCurve>& curves);

// The outcome of the pictures' sweeps with its aggregate.
DataSetOutcome makeDataSetOutcome(std::vector<std::string> pictures, std::vector<CodecCurve> curves,
                                  DataSetParameters parameters, std::vector<PictureOutcome> outcomes);

// The settings of the named curve as text; "" when the data set has no such curve.
std::string settingsOf(const DataSetOutcome& outcome, const std::string& curveName);

// The aggregate of a curve on a measure: (mean bits per pixel, mean measure) per quality.
std::vector<RatePoint> aggregateCurve(const DataSetOutcome& outcome, const std::string& curveName,
                                      CurveMeasure measure);

// The same with an SSIM in dB taken as the dB of the mean linear SSIM over the pictures (the way
// published curves average), rather than as the mean of each picture's dB; other measures as
// aggregateCurve gives them.
std::vector<RatePoint> aggregateCurveOfMeanLinear(const DataSetOutcome& outcome, const std::string& curveName,
                                                  CurveMeasure measure);

// The delta rates of the aggregate curves against the anchor curve, as deltaTable gives them.
std::vector<DeltaRow> aggregateDeltaTable(const DataSetOutcome& outcome, const std::string& anchor);

// Student's t at 97.5 % for so many degrees of freedom (the factor of a two-sided 95 % interval);
// NaN below one.
double studentT975(int degreesOfFreedom);

// Half the width of the 95 % confidence interval of a mean over `count` values of this sample
// standard deviation; NaN below two values.
double interval95HalfWidth(double deviation, int count);

// Summary of one delta over the pictures; NaN values (too few points, no shared interval) are
// left out and counted apart. The standard deviation is the sample one (n - 1); NaN below two values.
struct DeltaSummary {
    double mean = 0.0;
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
    double stdev = 0.0;
    int count = 0;    // values summarised
    int leftOut = 0;  // NaN values
};

DeltaSummary summarise(const std::vector<double>& values);

// One row of the per-picture table: a curve against the anchor on a measure with one
// interpolation, each picture's deltas in the data set's order with the picture they are of, and
// their summaries.
struct PerPictureDeltas {
    std::string curve;
    CurveMeasure measure{"psnr"};
    BdInterpolation interpolation = BdInterpolation::Cubic;
    std::vector<std::string> pictures;
    std::vector<BdResult> rates;      // per cent, per picture
    std::vector<BdResult> qualities;  // in the measure's unit, per picture
    DeltaSummary rate;
    DeltaSummary quality;
};

// The values of the deltas, NaN where one is not defined.
std::vector<double> valuesOf(const std::vector<BdResult>& deltas);

// The rows in deltaTable's order; empty when the anchor was not swept.
std::vector<PerPictureDeltas> perPictureDeltaTable(const DataSetOutcome& outcome, const std::string& anchor);

// The points of every picture as CSV: sweepCsv with a first column "picture".
std::string dataSetCsv(const DataSetOutcome& outcome);

// The same handed out a row at a time (the header first), for a data set too large to print whole.
void writeDataSetCsv(const DataSetOutcome& outcome, const std::function<void(const std::string& row)>& write);

// writeDataSetCsv's header, and the rows of one picture's points, the settings of each point's
// curve taken from `curves`: for rows written as their pictures are read.
std::string dataSetCsvHeader(const DataSetParameters& parameters);
void writePictureCsvRows(const PictureOutcome& picture, const std::vector<CodecCurve>& curves,
                         const DataSetParameters& parameters, const std::function<void(const std::string& row)>& write);

// The aggregate as CSV: codec (the curve's name), quality, pictures, bits_per_pixel, then each measure's mean and
// its count of pictures, the two SSIMs in dB of the mean, the size target columns when coded to
// sizes, and last the speed columns: the median megapixels per second of coding and of decoding and
// the timed pictures they are over.
inline constexpr int kAggregateCsvTimingColumns = 3;
std::string aggregateCsv(const DataSetOutcome& outcome);

}  // namespace brenlow
