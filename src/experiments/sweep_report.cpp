#include "experiments/sweep_report.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "measures/measure_table.h"

namespace brenlow {

CurveMeasure::CurveMeasure(std::string_view key) {
    const std::optional<CurveMeasure> measure = named(key);
    if (!measure) throw std::invalid_argument("No curve plots a measure named " + std::string(key));
    row_ = measure->row_;
}

std::optional<CurveMeasure> CurveMeasure::named(std::string_view key) {
    for (const MeasureRow& row : curveMeasureTable())
        if (row.key == key) return CurveMeasure(&row);
    return std::nullopt;
}

std::size_t CurveMeasure::index() const { return static_cast<std::size_t>(row_ - curveMeasureTable().data()); }

const std::vector<CurveMeasure>& curveMeasures() {
    static const std::vector<CurveMeasure> measures = [] {
        std::vector<CurveMeasure> all;
        for (const MeasureRow& row : curveMeasureTable()) all.emplace_back(row.key);
        return all;
    }();
    return measures;
}

const std::vector<CurveMeasure>& deltaMeasures() {
    static const std::vector<CurveMeasure> measures = [] {
        std::vector<CurveMeasure> compared;
        for (CurveMeasure measure : curveMeasures())
            if (measure.row().curve.compared) compared.push_back(measure);
        return compared;
    }();
    return measures;
}

std::vector<CurveMeasure> deltaMeasuresTaken(const MeasureChoice& choice) {
    std::vector<CurveMeasure> taken;
    for (CurveMeasure measure : deltaMeasures())
        if (measure.row().takenBy(choice)) taken.push_back(measure);
    return taken;
}

const char* measureKey(CurveMeasure measure) { return measure.row().key; }

std::optional<CurveMeasure> curveMeasureNamed(const std::string& key) { return CurveMeasure::named(key); }

std::string measureLabel(CurveMeasure measure) { return measure.row().curve.label; }

bool higherIsBetter(CurveMeasure measure) { return measure.row().higherIsBetter; }

double measureOf(const SweepPoint& point, CurveMeasure measure) { return measure.row().of(point.measures.picture); }

std::optional<CurveMeasure> linearOf(CurveMeasure decibels) {
    const char* linear = decibels.row().curve.linearKey;
    return linear == nullptr ? std::nullopt : CurveMeasure::named(linear);
}

const char* interpolationName(BdInterpolation interpolation) {
    return interpolation == BdInterpolation::Cubic ? "cubic" : "pchip";
}

std::optional<BdInterpolation> interpolationNamed(std::string_view name) {
    for (BdInterpolation interpolation : {BdInterpolation::Cubic, BdInterpolation::Pchip})
        if (name == interpolationName(interpolation)) return interpolation;
    return std::nullopt;
}

std::string settingsTextOf(const SweepOutcome& outcome, const std::string& curveName) {
    const CodecCurve* curve = findCurve(outcome.curves, curveName);
    return curve == nullptr ? std::string() : curve->settingsText();
}

std::vector<std::string> curveNamesOf(const SweepOutcome& outcome) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : outcome.curves) names.push_back(curve.name);
    for (const SweepPoint& point : outcome.points)
        if (std::find(names.begin(), names.end(), point.curve) == names.end()) names.push_back(point.curve);
    return names;
}

std::vector<RatePoint> curveOf(const SweepOutcome& outcome, const std::string& curveName, CurveMeasure measure) {
    std::vector<RatePoint> curve;
    for (const SweepPoint& point : outcome.points)
        if (point.curve == curveName) curve.push_back({point.measures.bitsPerPixel, measureOf(point, measure)});
    return curve;
}

std::vector<DeltaRow> deltaTable(const SweepOutcome& outcome, const std::string& anchor,
                                 const std::vector<CurveMeasure>& measures) {
    return deltaTable(
        curveNamesOf(outcome),
        [&](const std::string& curve, CurveMeasure measure) { return curveOf(outcome, curve, measure); }, anchor,
        measures);
}

CurveDeltas curveDeltas(std::vector<RatePoint> anchor, std::vector<RatePoint> test, CurveMeasure measure,
                        BdInterpolation interpolation) {
    const double sign = higherIsBetter(measure) ? 1.0 : -1.0;
    for (std::vector<RatePoint>* curve : {&anchor, &test})
        for (RatePoint& point : *curve) point.quality *= sign;
    CurveDeltas deltas{bjontegaardDeltaRateResult(anchor, test, interpolation),
                       bjontegaardDeltaQualityResult(anchor, test, interpolation)};
    deltas.quality.value *= sign;
    return deltas;
}

std::vector<DeltaRow> deltaTable(const std::vector<std::string>& curveNames, const CurveSource& curves,
                                 const std::string& anchor, const std::vector<CurveMeasure>& measures) {
    std::vector<DeltaRow> rows;
    if (std::find(curveNames.begin(), curveNames.end(), anchor) == curveNames.end()) return rows;
    for (const std::string& name : curveNames) {
        if (name == anchor) continue;
        for (CurveMeasure measure : measures) {
            const std::vector<RatePoint> anchorCurve = curves(anchor, measure);
            const std::vector<RatePoint> testCurve = curves(name, measure);
            for (BdInterpolation interpolation : {BdInterpolation::Cubic, BdInterpolation::Pchip}) {
                const CurveDeltas deltas = curveDeltas(anchorCurve, testCurve, measure, interpolation);
                rows.push_back({name, measure, interpolation, deltas.rate, deltas.quality});
            }
        }
    }
    return rows;
}

// The measures always taken come before the report line, the slower ones after it.
bool codedToSizes(const std::vector<SweepPoint>& points) {
    return !points.empty() && !std::isnan(points.front().targetBpp);
}

std::string sweepCsvHeader(bool sized) {
    std::string header = "codec,quality,coded_size,original_size,ratio,bits_per_pixel,";
    for (const MeasureRow& row : measureTable())
        if (row.group == nullptr) header += std::string(row.key) + ",";
    header += "report,";
    for (const MeasureRow& row : measureTable())
        if (row.group != nullptr) header += std::string(row.key) + ",";
    return header + (sized ? "settings,target_bits_per_pixel,target_missed," : "settings,") + "encode_seconds,decode_seconds,encode_megapixels_per_second,decode_megapixels_per_second,"
                    "encode_cpu_seconds,decode_cpu_seconds\r\n";
}

std::string sweepCsvRow(const SweepPoint& point, const std::string& settings, bool sized) {
    const PictureMeasures& m = point.measures.picture;
    std::string row = csvField(point.curve) + "," + std::to_string(point.quality) + "," +
                      std::to_string(point.figures.codedSize) + "," + std::to_string(point.figures.originalSize) +
                      "," + formatMeasure(point.figures.compressionRatio, 5) + "," +
                      formatMeasure(point.measures.bitsPerPixel, 6) + ",";
    for (const MeasureRow& measure : measureTable())
        if (measure.group == nullptr) row += formatMeasure(measure.of(m), measure.csvDecimals) + ",";
    row += csvField(point.reportLine, CsvQuoting::Always) + ",";
    for (const MeasureRow& measure : measureTable())
        if (measure.group != nullptr) row += formatMeasure(measure.of(m), measure.csvDecimals) + ",";
    row += csvField(settings) + ",";
    if (sized) row += formatMeasure(point.targetBpp, 6) + "," + (point.targetMissed ? "1," : "0,");
    return row + formatMeasure(point.encodeSeconds, 6) + "," + formatMeasure(point.decodeSeconds, 6) + "," +
           formatMeasure(megapixelsPerSecond(point.megapixels, point.encodeSeconds), 2) + "," +
           formatMeasure(megapixelsPerSecond(point.megapixels, point.decodeSeconds), 2) + "," +
           formatMeasure(point.encodeCpuSeconds, 6) + "," + formatMeasure(point.decodeCpuSeconds, 6) + "\r\n";
}

std::string sweepCsv(const SweepOutcome& outcome) {
    const bool sized = codedToSizes(outcome.points);
    std::string csv = sweepCsvHeader(sized);
    for (const SweepPoint& point : outcome.points)
        csv += sweepCsvRow(point, settingsTextOf(outcome, point.curve), sized);
    return csv;
}

}  // namespace brenlow
