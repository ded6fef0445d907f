#include "results/dataset_json.h"

#include <QJsonArray>
#include <cmath>

#include "measures/measure_table.h"
#include "results/research_json.h"
#include "results/timed_run_json.h"

namespace brenlow {
namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QJsonArray targetsJson(const std::vector<double>& targets) {
    QJsonArray array;
    for (double target : targets) array.append(target);
    return array;
}

QJsonObject parametersJson(const DataSetOutcome& outcome, const std::string& anchor) {
    const DataSetParameters& parameters = outcome.parameters;
    QJsonArray codecs;
    for (const CodecCurve& curve : outcome.curves) codecs.append(text(curve.name));
    QJsonArray qualities;
    for (int quality : parameters.qualities) qualities.append(quality);
    return {{"codecs", codecs},
            {"qualities", qualities},
            {"divisor", static_cast<double>(parameters.divisor)},
            {"focus", parameters.passes},
            {"anchor", text(anchor)},
            {"measures", measuresTakenJson(parameters.measures)},
            {"curves", curvesJson(outcome.curves)},
            {"bpp_targets", targetsJson(parameters.bppTargets)},
            {"timing", withTimedRuns(timingParametersJson(parameters.timing), outcome.timedRuns)}};
}

// By picture; null for a picture whose results were made before its encoding was recorded.
QJsonObject colourEncodingsJson(const DataSetOutcome& outcome) {
    QJsonObject encodings;
    for (std::size_t i = 0; i < outcome.pictures.size(); ++i) {
        const bool known = i < outcome.colourEncodings.size() && !outcome.colourEncodings[i].empty();
        encodings[text(outcome.pictures[i])] = known ? QJsonValue(text(outcome.colourEncodings[i])) : QJsonValue();
    }
    return encodings;
}

QJsonArray pointsJson(const DataSetOutcome& outcome) {
    QJsonArray points;
    for (const PictureOutcome& picture : outcome.outcomes) {
        for (const SweepPoint& point : picture.sweep.points) {
            QJsonObject object = pointJson(point, outcome.curves);
            object["picture"] = text(picture.picture);
            points.append(object);
        }
    }
    return points;
}

// Speeds vary from run to run, so they sit apart from the figures, as a point's timing does.
QJsonObject aggregateTimingJson(const AggregatePoint& point) {
    return {{"median_encode_megapixels_per_second", measureValue(point.encodeMegapixelsPerSecond)},
            {"median_decode_megapixels_per_second", measureValue(point.decodeMegapixelsPerSecond)},
            {"pictures", point.timedPictures},
            {"statistic", "the median over the timed pictures of each one's megapixels per second, wall clock"},
            {"median_encode_cpu_megapixels_per_second", measureValue(point.encodeCpuMegapixelsPerSecond)},
            {"median_decode_cpu_megapixels_per_second", measureValue(point.decodeCpuMegapixelsPerSecond)},
            {"cpu_pictures", point.cpuTimedPictures},
            {"cpu_statistic",
             "the same on CPU seconds (user + system), over the pictures whose CPU seconds are known; each point's "
             "cpu_clock says which clock they were read on"}};
}

QJsonArray aggregateJson(const DataSetOutcome& outcome) {
    QJsonArray points;
    for (const AggregatePoint& point : outcome.aggregate) {
        QJsonObject means{{"bits_per_pixel", point.bitsPerPixel}};
        QJsonObject deviations{{"bits_per_pixel", measureValue(point.bitsPerPixelDeviation)}};
        QJsonObject counts;
        for (std::size_t i = 0; i < curveMeasures().size(); ++i) {
            means[measureKey(curveMeasures()[i])] = measureValue(point.means[i]);
            deviations[measureKey(curveMeasures()[i])] = measureValue(point.deviations[i]);
            counts[measureKey(curveMeasures()[i])] = point.counts[i];
        }
        for (const auto& [key, value] : decibelsOfMeanLinear(point)) means[QString::fromStdString(key)] = measureValue(value);
        QJsonObject object{{"codec", text(point.curve)},
                           {"quality", point.quality},
                           {"pictures", point.pictures},
                           {"means", means},
                           {"counts", counts},
                           {"deviations", deviations},
                           {"timing", aggregateTimingJson(point)}};
        if (!std::isnan(point.targetBpp)) {
            object["target_bits_per_pixel"] = point.targetBpp;
            object["target_missed"] = point.missed;
        }
        points.append(object);
    }
    return points;
}

// Each picture's delta as the aggregate gives its own, with the picture's name; `per_picture` keeps
// the bare values in the pictures' order for those who read them so.
QJsonObject summaryJson(const DeltaSummary& summary, const std::vector<BdResult>& deltas,
                        const std::vector<std::string>& pictures) {
    QJsonArray values, each;
    for (std::size_t i = 0; i < deltas.size(); ++i) {
        values.append(measureValue(deltas[i].value));
        QJsonObject delta = bdResultJson(deltas[i]);
        delta["picture"] = text(pictures[i]);
        each.append(delta);
    }
    return {{"mean", measureValue(summary.mean)},   {"median", measureValue(summary.median)},
            {"min", measureValue(summary.min)},     {"max", measureValue(summary.max)},
            {"stdev", measureValue(summary.stdev)}, {"count", summary.count},
            {"left_out", summary.leftOut},          {"per_picture", values},
            {"pictures", each}};
}

QJsonObject perPictureJson(const DataSetOutcome& outcome, const std::string& anchor) {
    QJsonObject rows;
    for (const PerPictureDeltas& row : perPictureDeltaTable(outcome, anchor)) {
        const std::string key = row.curve + "/" + measureKey(row.measure) + "/" +
                                interpolationName(row.interpolation);
        rows[text(key)] = QJsonObject{{"codec", text(row.curve)},
                                      {"measure", measureKey(row.measure)},
                                      {"interpolation", interpolationName(row.interpolation)},
                                      {"rate_percent", summaryJson(row.rate, row.rates, row.pictures)},
                                      {"quality_delta", summaryJson(row.quality, row.qualities, row.pictures)}};
    }
    return rows;
}

QJsonArray importedJson(const std::vector<ImportedCurve>& imported) {
    QJsonArray curves;
    for (const ImportedCurve& curve : imported) {
        QJsonArray measures;
        for (const auto& [measure, points] : curve.curves) measures.append(measureKey(measure));
        curves.append(QJsonObject{{"name", text(curve.name)}, {"measures", measures}});
    }
    return curves;
}

}  // namespace

QJsonArray failedItemsJson(const std::vector<FailedItem>& failed) {
    QJsonArray array;
    for (const FailedItem& item : failed)
        array.append(QJsonObject{
            {"picture", text(item.picture)}, {"codec", text(item.curve)}, {"reason", text(item.reason)}});
    return array;
}

QJsonObject dataSetJson(const DataSetOutcome& outcome, const std::string& anchor, const std::vector<ImportedCurve>& imported,
                        double seconds) {
    QJsonArray pictures;
    for (const std::string& picture : outcome.pictures) pictures.append(text(picture));
    return {{"command", "sweep"},
            {"seconds", seconds},
            {"versions", libraryVersionsJson(outcome.parameters.versions)},
            {"parameters", parametersJson(outcome, anchor)},
            {"pictures", pictures},
            {"colour_encodings", colourEncodingsJson(outcome)},
            {"points", pointsJson(outcome)},
            {"aggregate", aggregateJson(outcome)},
            {"failed", failedItemsJson(outcome.failed)},
            {"imported", importedJson(imported)},
            {"bd_rate",
             QJsonObject{{"anchor", text(anchor)},
                         {"method", deltaMethod()},
                         {"aggregate", deltaRowsJson(aggregateDeltaTable(outcome, anchor))},
                         {"imported", deltaRowsJson(importedDeltaTable(outcome, anchor, imported))},
                         {"per_picture", perPictureJson(outcome, anchor)},
                         {"per_picture_method",
                          "each picture's delta on its own curves; mean, median, min, max and sample standard "
                          "deviation over the pictures where it is defined (count), the others left out (left_out); "
                          "pictures: each picture's delta as the aggregate gives its own, with the picture's name; "
                          "per_picture: their values alone, in the pictures' order"}}}};
}

}  // namespace brenlow
