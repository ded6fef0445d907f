#include "experiments/dataset_outcome.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "experiments/dataset_tally.h"
#include "measures/measure_table.h"

namespace brenlow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string settingsIn(const std::vector<CodecCurve>& curves, const std::string& curveName) {
    const CodecCurve* curve = findCurve(curves, curveName);
    return curve == nullptr ? std::string() : curve->settingsText();
}

std::vector<std::string> namesOf(const std::vector<CodecCurve>& curves) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : curves) names.push_back(curve.name);
    return names;
}

}  // namespace

std::string settingsOf(const DataSetOutcome& outcome, const std::string& curveName) {
    return settingsIn(outcome.curves, curveName);
}

bool operator==(const DataSetParameters& a, const DataSetParameters& b) {
    return a.qualities == b.qualities && a.bppTargets == b.bppTargets && a.divisor == b.divisor && a.passes == b.passes && a.measures == b.measures &&
           a.versions == b.versions && a.timing == b.timing;
}

DataSetParameters dataSetParameters(const SweepSettings& settings, const LibraryVersions& versions) {
    return {settings.qualities, settings.bppTargets, settings.divisor, settings.passes, settings.measures, versions,
            {std::max(settings.timingRuns, 1), kTimedCodecThreads}};
}

std::vector<std::pair<std::string, double>> decibelsOfMeanLinear(const AggregatePoint& point) {
    std::vector<std::pair<std::string, double>> means;
    for (CurveMeasure measure : curveMeasures()) {
        const std::optional<CurveMeasure> linear = linearOf(measure);
        if (!linear) continue;
        const double mean = linear->index() < point.means.size() ? point.means[linear->index()] : kNaN;
        means.emplace_back(std::string(measureKey(measure)) + "_of_mean", ssimDecibels(mean));
    }
    return means;
}

std::vector<AggregatePoint> aggregatePoints(const std::vector<PictureOutcome>& outcomes,
                                            const std::vector<CodecCurve>& curves) {
    AggregateTally tally(curves);
    for (const PictureOutcome& outcome : outcomes) tally.add(outcome);
    return tally.points();
}

DataSetOutcome makeDataSetOutcome(std::vector<std::string> pictures, std::vector<CodecCurve> curves,
                                  DataSetParameters parameters, std::vector<PictureOutcome> outcomes) {
    DataSetOutcome outcome{std::move(pictures), std::move(curves), std::move(parameters), std::move(outcomes), {}, {}, {}, {}};
    outcome.aggregate = aggregatePoints(outcome.outcomes, outcome.curves);
    return outcome;
}

std::vector<RatePoint> aggregateCurve(const DataSetOutcome& outcome, const std::string& curveName,
                                      CurveMeasure measure) {
    const std::size_t index = measure.index();
    std::vector<RatePoint> curve;
    for (const AggregatePoint& point : outcome.aggregate)
        if (point.curve == curveName) curve.push_back({point.bitsPerPixel, point.means[index]});
    return curve;
}

std::vector<RatePoint> aggregateCurveOfMeanLinear(const DataSetOutcome& outcome, const std::string& curveName,
                                                  CurveMeasure measure) {
    const std::optional<CurveMeasure> linear = linearOf(measure);
    if (!linear) return aggregateCurve(outcome, curveName, measure);
    std::vector<RatePoint> curve = aggregateCurve(outcome, curveName, *linear);
    for (RatePoint& point : curve) point.quality = ssimDecibels(point.quality);
    return curve;
}

std::vector<DeltaRow> aggregateDeltaTable(const DataSetOutcome& outcome, const std::string& anchor) {
    return deltaTable(
        namesOf(outcome.curves),
        [&](const std::string& curve, CurveMeasure measure) { return aggregateCurve(outcome, curve, measure); },
        anchor, deltaMeasuresTaken(outcome.parameters.measures));
}

double studentT975(int degreesOfFreedom) {
    // The two-sided 95 % quantiles for 1 to 30 degrees of freedom, then at 40, 60, 120 and without
    // end; between those, linear in 1 / degrees of freedom, as tables are read.
    static constexpr std::array<double, 30> kSmall{
        12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281,
        2.2010,  2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860,
        2.0796,  2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423};
    static constexpr std::array<std::pair<double, double>, 4> kLarge{
        {{30.0, 2.0423}, {40.0, 2.0211}, {60.0, 2.0003}, {120.0, 1.9799}}};
    static constexpr double kNormal = 1.95996;
    if (degreesOfFreedom < 1) return kNaN;
    if (degreesOfFreedom <= 30) return kSmall[static_cast<std::size_t>(degreesOfFreedom - 1)];
    const double inverse = 1.0 / degreesOfFreedom;
    for (std::size_t i = 0; i + 1 < kLarge.size(); ++i) {
        const auto [lowDf, lowT] = kLarge[i];
        const auto [highDf, highT] = kLarge[i + 1];
        if (degreesOfFreedom > highDf) continue;
        const double along = (1.0 / lowDf - inverse) / (1.0 / lowDf - 1.0 / highDf);
        return lowT + along * (highT - lowT);
    }
    const double along = (1.0 / 120.0 - inverse) / (1.0 / 120.0);
    return kLarge.back().second + along * (kNormal - kLarge.back().second);
}

double interval95HalfWidth(double deviation, int count) {
    if (count < 2 || !std::isfinite(deviation)) return kNaN;
    return studentT975(count - 1) * deviation / std::sqrt(static_cast<double>(count));
}

DeltaSummary summarise(const std::vector<double>& values) {
    std::vector<double> kept;
    for (double value : values)
        if (!std::isnan(value)) kept.push_back(value);
    DeltaSummary summary;
    summary.count = static_cast<int>(kept.size());
    summary.leftOut = static_cast<int>(values.size() - kept.size());
    if (kept.empty()) {
        summary.mean = summary.median = summary.min = summary.max = summary.stdev = kNaN;
        return summary;
    }
    std::sort(kept.begin(), kept.end());
    const std::size_t n = kept.size();
    summary.mean = std::accumulate(kept.begin(), kept.end(), 0.0) / static_cast<double>(n);
    summary.median = n % 2 == 1 ? kept[n / 2] : (kept[n / 2 - 1] + kept[n / 2]) / 2.0;
    summary.min = kept.front();
    summary.max = kept.back();
    double squares = 0.0;
    for (double value : kept) squares += (value - summary.mean) * (value - summary.mean);
    summary.stdev = n > 1 ? std::sqrt(squares / static_cast<double>(n - 1)) : kNaN;
    return summary;
}

std::vector<double> valuesOf(const std::vector<BdResult>& deltas) {
    std::vector<double> values;
    values.reserve(deltas.size());
    for (const BdResult& delta : deltas) values.push_back(delta.value);
    return values;
}

std::vector<PerPictureDeltas> perPictureDeltaTable(const DataSetOutcome& outcome, const std::string& anchor) {
    PerPictureDeltaTally tally(outcome.curves, anchor, deltaMeasuresTaken(outcome.parameters.measures), true);
    for (const PictureOutcome& picture : outcome.outcomes) tally.add(picture);
    return tally.rows();
}

std::string dataSetCsvHeader(const DataSetParameters& parameters) {
    return "picture," + sweepCsvHeader(!parameters.bppTargets.empty());
}

void writePictureCsvRows(const PictureOutcome& picture, const std::vector<CodecCurve>& curves,
                         const DataSetParameters& parameters, const std::function<void(const std::string& row)>& write) {
    const bool sized = !parameters.bppTargets.empty();
    for (const SweepPoint& point : picture.sweep.points) {
        write(csvField(picture.picture) + "," + sweepCsvRow(point, settingsIn(curves, point.curve), sized));
    }
}

void writeDataSetCsv(const DataSetOutcome& outcome, const std::function<void(const std::string& row)>& write) {
    write(dataSetCsvHeader(outcome.parameters));
    for (const PictureOutcome& picture : outcome.outcomes)
        writePictureCsvRows(picture, outcome.curves, outcome.parameters, write);
}

std::string dataSetCsv(const DataSetOutcome& outcome) {
    std::string csv;
    writeDataSetCsv(outcome, [&](const std::string& row) { csv += row; });
    return csv;
}

std::string aggregateCsv(const DataSetOutcome& outcome) {
    const bool sized = !outcome.parameters.bppTargets.empty();
    std::string csv = "codec,quality,pictures,bits_per_pixel";
    for (CurveMeasure measure : curveMeasures())
        csv += std::string(",") + measureKey(measure) + "," + measureKey(measure) + "_pictures";
    for (CurveMeasure measure : curveMeasures())
        if (linearOf(measure)) csv += std::string(",") + measureKey(measure) + "_of_mean";
    if (sized) csv += ",target_bits_per_pixel,target_missed";
    csv += ",median_encode_megapixels_per_second,median_decode_megapixels_per_second,timed_pictures\r\n";
    for (const AggregatePoint& point : outcome.aggregate) {
        csv += csvField(point.curve) + "," + std::to_string(point.quality) + "," +
               std::to_string(point.pictures) + "," + formatMeasure(point.bitsPerPixel, 6);
        for (std::size_t i = 0; i < point.means.size(); ++i) {
            csv += ',';
            csv += formatMeasure(point.means[i], 6);
            csv += ',';
            csv += std::to_string(point.counts[i]);
        }
        // Appended a piece at a time: GCC 12 warns wrongly about "," + std::string here.
        for (const auto& [key, value] : decibelsOfMeanLinear(point)) {
            csv += ',';
            csv += formatMeasure(value, 6);
        }
        if (sized) {
            csv += ',';
            csv += formatMeasure(point.targetBpp, 6);
            csv += ',';
            csv += std::to_string(point.missed);
        }
        csv += ',';
        csv += formatMeasure(point.encodeMegapixelsPerSecond, 2);
        csv += ',';
        csv += formatMeasure(point.decodeMegapixelsPerSecond, 2);
        csv += ',';
        csv += std::to_string(point.timedPictures);
        csv += "\r\n";
    }
    return csv;
}

}  // namespace brenlow
