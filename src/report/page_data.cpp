#include "report/page_data.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "experiments/imported_curves.h"
#include "report/curve_styles.h"

namespace brenlow {
namespace {

constexpr const char* kPublishedSuffix = " (published)";

QString text(const std::string& value) { return QString::fromStdString(value); }

QJsonValue number(double value) { return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null); }

QJsonObject styleJson(const CurveStyle& style) {
    QJsonArray dash;
    for (double length : style.dash) dash.append(length);
    return {{"colour", text(style.colour)}, {"marker", text(std::string(markerName(style.marker)))}, {"dash", dash}};
}

std::vector<std::string> drawnCurveNames(const DataSetOutcome& outcome, const ReportContext& context) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : outcome.curves) names.push_back(curve.name);
    for (const ImportedCurve& imported : context.imported) names.push_back(imported.name + kPublishedSuffix);
    return names;
}

QJsonArray curvesJson(const DataSetOutcome& outcome, const ReportContext& context) {
    const std::vector<std::string> names = drawnCurveNames(outcome, context);
    const std::vector<CurveStyle> styles = curveStyles(names);
    QJsonArray curves;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool published = i >= outcome.curves.size();
        curves.append(QJsonObject{{"name", text(names[i])},
                                  {"settings", published ? QString() : text(outcome.curves[i].settingsText())},
                                  {"published", published},
                                  {"style", styleJson(styles[i])}});
    }
    return curves;
}

QJsonArray measuresJson(const std::vector<CurveMeasure>& measures) {
    QJsonArray array;
    for (CurveMeasure measure : measures)
        array.append(QJsonObject{{"key", measureKey(measure)},
                                 {"label", text(measureLabel(measure))},
                                 {"higher_is_better", higherIsBetter(measure)}});
    return array;
}

int curveIndex(const DataSetOutcome& outcome, const std::string& name) {
    for (std::size_t i = 0; i < outcome.curves.size(); ++i)
        if (outcome.curves[i].name == name) return static_cast<int>(i);
    return -1;
}

QJsonObject aggregatePointJson(const DataSetOutcome& outcome, const AggregatePoint& point,
                               const std::vector<CurveMeasure>& measures) {
    QJsonArray values, deviations, intervals, counts;
    for (CurveMeasure measure : measures) {
        const std::size_t i = measure.index();
        const double deviation = i < point.deviations.size() ? point.deviations[i] : std::nan("");
        const int count = i < point.counts.size() ? point.counts[i] : 0;
        values.append(number(i < point.means.size() ? point.means[i] : std::nan("")));
        deviations.append(number(deviation));
        intervals.append(number(interval95HalfWidth(deviation, count)));
        counts.append(count);
    }
    return {{"curve", curveIndex(outcome, point.curve)},
            {"quality", point.quality},
            {"target_bpp", number(point.targetBpp)},
            {"pictures", point.pictures},
            {"bpp", number(point.bitsPerPixel)},
            {"bpp_sd", number(point.bitsPerPixelDeviation)},
            {"bpp_ci", number(interval95HalfWidth(point.bitsPerPixelDeviation, point.pictures))},
            {"values", values},
            {"sd", deviations},
            {"ci", intervals},
            {"counts", counts}};
}

QJsonArray aggregateJson(const DataSetOutcome& outcome, const std::vector<CurveMeasure>& measures) {
    QJsonArray points;
    for (const AggregatePoint& point : outcome.aggregate)
        if (curveIndex(outcome, point.curve) >= 0) points.append(aggregatePointJson(outcome, point, measures));
    return points;
}

// The pictures of a page: `count` from `first`, within the data set's.
struct PictureRange {
    std::size_t first = 0;
    std::size_t end = 0;
};

PictureRange rangeOf(const DataSetOutcome& outcome, std::size_t first, std::size_t count) {
    const std::size_t total = outcome.pictures.size();
    const std::size_t begin = std::min(first, total);
    return {begin, begin + std::min(count, total - begin)};
}

QJsonArray picturePointsJson(const DataSetOutcome& outcome, const std::vector<CurveMeasure>& measures,
                             PictureRange range) {
    QJsonArray points;
    for (std::size_t picture = range.first; picture < std::min(range.end, outcome.outcomes.size()); ++picture)
        for (const SweepPoint& point : outcome.outcomes[picture].sweep.points) {
            const int curve = curveIndex(outcome, point.curve);
            if (curve < 0) continue;
            QJsonArray values;
            for (CurveMeasure measure : measures) values.append(number(measureOf(point, measure)));
            QJsonObject json{{"picture", static_cast<int>(picture - range.first)},
                             {"curve", curve},
                             {"quality", point.quality},
                             {"bpp", number(point.measures.bitsPerPixel)},
                             {"values", values}};
            if (!point.label.empty()) json["label"] = text(point.label);
            points.append(json);
        }
    return points;
}

QJsonArray publishedJson(const DataSetOutcome& outcome, const ReportContext& context,
                         const std::vector<CurveMeasure>& measures) {
    QJsonArray curves;
    for (std::size_t i = 0; i < context.imported.size(); ++i)
        for (std::size_t m = 0; m < measures.size(); ++m) {
            const auto found = context.imported[i].curves.find(measures[m]);
            if (found == context.imported[i].curves.end()) continue;
            QJsonArray points;
            for (const RatePoint& point : found->second)
                points.append(QJsonArray{number(point.rate), number(point.quality)});
            curves.append(QJsonObject{{"curve", static_cast<int>(outcome.curves.size() + i)},
                                      {"measure", static_cast<int>(m)},
                                      {"points", points}});
        }
    return curves;
}

QJsonObject deltaJson(const std::string& anchor, const std::string& curve, const DeltaRow& row) {
    return {{"anchor", text(anchor)},
            {"curve", text(curve)},
            {"measure", measureKey(row.measure)},
            {"interpolation", interpolationName(row.interpolation)},
            {"rate", number(row.rate.value)},
            {"quality", number(row.quality.value)},
            {"weak", row.rate.weakOverlap || row.quality.weakOverlap}};
}

// The aggregate delta rates against every swept curve in turn, so that a reader may pick the anchor.
QJsonArray deltasJson(const DataSetOutcome& outcome, const ReportContext& context) {
    QJsonArray rows;
    for (const CodecCurve& anchor : outcome.curves) {
        for (const DeltaRow& row : aggregateDeltaTable(outcome, anchor.name))
            rows.append(deltaJson(anchor.name, row.curve, row));
        for (const DeltaRow& row : importedDeltaTable(outcome, anchor.name, context.imported))
            rows.append(deltaJson(anchor.name, row.curve + kPublishedSuffix, row));
    }
    return rows;
}

QJsonArray pictureDeltasJson(const std::vector<PerPictureDeltas>& perPicture, PictureRange range) {
    QJsonArray rows;
    for (const PerPictureDeltas& row : perPicture) {
        QJsonArray rates, weak;
        for (std::size_t i = range.first; i < std::min(range.end, row.rates.size()); ++i) {
            rates.append(number(row.rates[i].value));
            weak.append(row.rates[i].weakOverlap);
        }
        rows.append(QJsonObject{{"curve", text(row.curve)},
                                {"measure", measureKey(row.measure)},
                                {"interpolation", interpolationName(row.interpolation)},
                                {"rates", rates},
                                {"weak", weak}});
    }
    return rows;
}

QJsonArray texts(const std::vector<std::string>& values, PictureRange range) {
    QJsonArray array;
    for (std::size_t i = range.first; i < std::min(range.end, values.size()); ++i) array.append(text(values[i]));
    return array;
}

bool hasFinitePoint(const std::vector<RatePoint>& points) {
    return std::any_of(points.begin(), points.end(), [](const RatePoint& point) {
        return std::isfinite(point.rate) && std::isfinite(point.quality);
    });
}

bool drawsAPoint(const DataSetOutcome& outcome, const ReportContext& context, CurveMeasure measure) {
    for (const CodecCurve& curve : outcome.curves)
        if (hasFinitePoint(aggregateCurve(outcome, curve.name, measure))) return true;
    for (const ImportedCurve& imported : context.imported) {
        const auto found = imported.curves.find(measure);
        if (found != imported.curves.end() && hasFinitePoint(found->second)) return true;
    }
    return false;
}

// U+2028 or U+2029 in UTF-8 at `at`.
bool lineSeparatorAt(const std::string& text, std::size_t at) {
    return text.compare(at, 3, "\xe2\x80\xa8") == 0 || text.compare(at, 3, "\xe2\x80\xa9") == 0;
}

}  // namespace

std::vector<CurveMeasure> plottedMeasures(const DataSetOutcome& outcome, const ReportContext& context) {
    std::vector<CurveMeasure> measures;
    for (CurveMeasure measure : deltaMeasuresTaken(outcome.parameters.measures))
        if (drawsAPoint(outcome, context, measure)) measures.push_back(measure);
    return measures;
}

std::string scriptSafeJson(const std::string& json) {
    std::string safe;
    safe.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '<') {
            safe += "\\u003c";
        } else if (c == '>') {
            safe += "\\u003e";
        } else if (c == '&') {
            safe += "\\u0026";
        } else if (lineSeparatorAt(json, i)) {
            safe += json[i + 2] == '\xa8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            safe += c;
        }
    }
    return safe;
}

std::string pageDataJson(const DataSetOutcome& outcome, const ReportContext& context) {
    return pageDataJson(outcome, context, perPictureDeltaTable(outcome, context.anchor), 0, outcome.pictures.size());
}

std::string pageDataJson(const DataSetOutcome& outcome, const ReportContext& context,
                         const std::vector<PerPictureDeltas>& perPicture, std::size_t first, std::size_t count) {
    const PictureRange range = rangeOf(outcome, first, count);
    const std::vector<CurveMeasure> measures = plottedMeasures(outcome, context);
    const QJsonObject data{{"title", text(context.title)},
                           {"anchor", text(context.anchor)},
                           {"pictures", texts(outcome.pictures, range)},
                           {"measures", measuresJson(measures)},
                           {"curves", curvesJson(outcome, context)},
                           {"aggregate", aggregateJson(outcome, measures)},
                           {"points", picturePointsJson(outcome, measures, range)},
                           {"published", publishedJson(outcome, context, measures)},
                           {"deltas", deltasJson(outcome, context)},
                           {"picture_deltas", pictureDeltasJson(perPicture, range)}};
    return scriptSafeJson(QJsonDocument(data).toJson(QJsonDocument::Compact).toStdString());
}

}  // namespace brenlow
