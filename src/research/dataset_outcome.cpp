#include "research/dataset_outcome.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

#include "research/measure_table.h"

namespace brenlow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A running sum per measure over the pictures that have it.
struct PointSums {
    int pictures = 0;
    double bitsPerPixel = 0.0;
    std::vector<double> sums = std::vector<double>(curveMeasures().size(), 0.0);
    std::vector<int> counts = std::vector<int>(curveMeasures().size(), 0);

    void add(const SweepPoint& point) {
        ++pictures;
        bitsPerPixel += point.measures.bitsPerPixel;
        for (std::size_t i = 0; i < curveMeasures().size(); ++i) {
            const double value = measureOf(point, curveMeasures()[i]);
            if (std::isnan(value)) continue;
            sums[i] += value;
            ++counts[i];
        }
    }

    AggregatePoint mean(StillCodec codec, int quality) const {
        AggregatePoint point{codec, quality, pictures, bitsPerPixel / pictures, {}, counts};
        for (std::size_t i = 0; i < sums.size(); ++i) point.means.push_back(counts[i] > 0 ? sums[i] / counts[i] : kNaN);
        return point;
    }
};

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string field = "\"";
    for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

}  // namespace

bool operator==(const DataSetParameters& a, const DataSetParameters& b) {
    const auto sameGroups = [&] {
        for (const MeasureGroup group : slowMeasureGroups())
            if (groupTaken(group, a.measures) != groupTaken(group, b.measures)) return false;
        return true;
    };
    return a.qualities == b.qualities && a.divisor == b.divisor && a.passes == b.passes && sameGroups() &&
           a.versions == b.versions;
}

DataSetParameters dataSetParameters(const SweepSettings& settings, const LibraryVersions& versions) {
    return {settings.qualities, settings.divisor, settings.passes, settings.measures, versions};
}

std::vector<AggregatePoint> aggregatePoints(const std::vector<PictureOutcome>& outcomes,
                                            const std::vector<StillCodec>& codecs) {
    std::vector<AggregatePoint> points;
    for (StillCodec codec : codecs) {
        std::vector<std::pair<int, PointSums>> byQuality;  // in the order the qualities first appear
        for (const PictureOutcome& outcome : outcomes) {
            for (const SweepPoint& point : outcome.sweep.points) {
                if (point.codec != codec) continue;
                auto at = std::find_if(byQuality.begin(), byQuality.end(),
                                       [&](const auto& entry) { return entry.first == point.quality; });
                if (at == byQuality.end()) at = byQuality.insert(byQuality.end(), {point.quality, PointSums{}});
                at->second.add(point);
            }
        }
        for (const auto& [quality, sums] : byQuality) points.push_back(sums.mean(codec, quality));
    }
    return points;
}

DataSetOutcome makeDataSetOutcome(std::vector<std::string> pictures, std::vector<StillCodec> codecs,
                                  DataSetParameters parameters, std::vector<PictureOutcome> outcomes) {
    DataSetOutcome outcome{std::move(pictures), std::move(codecs), std::move(parameters), std::move(outcomes), {}, {}};
    outcome.aggregate = aggregatePoints(outcome.outcomes, outcome.codecs);
    return outcome;
}

std::vector<RatePoint> aggregateCurve(const DataSetOutcome& outcome, StillCodec codec, CurveMeasure measure) {
    const std::size_t index = static_cast<std::size_t>(
        std::find(curveMeasures().begin(), curveMeasures().end(), measure) - curveMeasures().begin());
    std::vector<RatePoint> curve;
    for (const AggregatePoint& point : outcome.aggregate)
        if (point.codec == codec) curve.push_back({point.bitsPerPixel, point.means[index]});
    return curve;
}

std::vector<DeltaRow> aggregateDeltaTable(const DataSetOutcome& outcome, StillCodec anchor) {
    return deltaTable(
        outcome.codecs, [&](StillCodec codec, CurveMeasure measure) { return aggregateCurve(outcome, codec, measure); },
        anchor, deltaMeasuresTaken(outcome.parameters.measures));
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

std::vector<PerPictureDeltas> perPictureDeltaTable(const DataSetOutcome& outcome, StillCodec anchor) {
    std::vector<PerPictureDeltas> table;
    const std::vector<CurveMeasure> measures = deltaMeasuresTaken(outcome.parameters.measures);
    for (const PictureOutcome& picture : outcome.outcomes) {
        const std::vector<DeltaRow> rows = deltaTable(
            outcome.codecs,
            [&](StillCodec codec, CurveMeasure measure) { return curveOf(picture.sweep, codec, measure); }, anchor,
            measures);
        table.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            table[i].codec = rows[i].codec;
            table[i].measure = rows[i].measure;
            table[i].interpolation = rows[i].interpolation;
            table[i].rates.push_back(rows[i].rate.value);
            table[i].qualities.push_back(rows[i].quality.value);
        }
    }
    for (PerPictureDeltas& row : table) {
        row.rate = summarise(row.rates);
        row.quality = summarise(row.qualities);
    }
    return table;
}

std::string dataSetCsv(const DataSetOutcome& outcome) {
    std::string csv = "picture," + sweepCsvHeader();
    for (const PictureOutcome& picture : outcome.outcomes)
        for (const SweepPoint& point : picture.sweep.points)
            csv += csvField(picture.picture) + "," + sweepCsvRow(point);
    return csv;
}

std::string aggregateCsv(const DataSetOutcome& outcome) {
    std::string csv = "codec,quality,pictures,bits_per_pixel";
    for (CurveMeasure measure : curveMeasures())
        csv += std::string(",") + measureKey(measure) + "," + measureKey(measure) + "_pictures";
    csv += "\r\n";
    for (const AggregatePoint& point : outcome.aggregate) {
        csv += std::string(codecName(point.codec)) + "," + std::to_string(point.quality) + "," +
               std::to_string(point.pictures) + "," + formatMeasure(point.bitsPerPixel, 6);
        for (std::size_t i = 0; i < point.means.size(); ++i) {
            csv += ',';
            csv += formatMeasure(point.means[i], 6);
            csv += ',';
            csv += std::to_string(point.counts[i]);
        }
        csv += "\r\n";
    }
    return csv;
}

}  // namespace brenlow
