#include "report/picture_comparisons.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <map>

#include "codecs/document.h"
#include "io/error.h"
#include "measures/still_measures.h"
#include "report/comparison_choice.h"
#include "report/page_assets.h"
#include "report/page_data.h"
#include "report/curve_styles.h"
#include "report/lossless_data_url.h"
#include "report/report_tables.h"

namespace brenlow {
namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

std::string qualityText(const SweepPoint& point) {
    return point.label.empty() ? std::to_string(point.quality) : point.label;
}

QJsonArray measuresJson(const SweepPoint& point, const MeasureChoice& choice) {
    QJsonArray measures;
    for (CurveMeasure measure : curveMeasures()) {
        const MeasureRow& row = measure.row();
        if (!row.takenBy(choice)) continue;
        const double value = measureOf(point, measure);
        const std::string unit = *row.unit ? std::string(" ") + row.unit : std::string();
        measures.append(QJsonArray{text(row.label),
                                   std::isfinite(value) ? text(formatMeasure(value, row.decimals) + unit) : "n/a"});
    }
    return measures;
}

// Why a picture or one of its points is not shown, as the page lists it.
struct Omission {
    std::string picture;
    std::string point;  // "" for the whole picture
    std::string reason;
};

struct CurveColours {
    std::map<std::string, std::string> byName;
    explicit CurveColours(const DataSetOutcome& outcome) {
        std::vector<std::string> names;
        for (const CodecCurve& curve : outcome.curves) names.push_back(curve.name);
        const std::vector<CurveStyle> styles = curveStyles(names);
        for (std::size_t i = 0; i < names.size(); ++i) byName[names[i]] = styles[i].colour;
    }
    std::string of(const std::string& name) const {
        const auto found = byName.find(name);
        return found == byName.end() ? "#555555" : found->second;
    }
};

// The points of one curve that kept a decoded picture, in quality order, thinned to those offered.
std::vector<const SweepPoint*> offeredPoints(const SweepOutcome& sweep, const std::string& curve) {
    std::vector<const SweepPoint*> kept;
    for (const SweepPoint& point : sweep.points)
        if (point.curve == curve && !point.keptDecoded.path.empty()) kept.push_back(&point);
    std::vector<const SweepPoint*> offered;
    for (std::size_t place : chosenPointPlaces(kept.size())) offered.push_back(kept[place]);
    return offered;
}

std::vector<const SweepPoint*> offeredPoints(const DataSetOutcome& outcome, const SweepOutcome& sweep) {
    std::vector<const SweepPoint*> offered;
    for (const CodecCurve& curve : outcome.curves)
        for (const SweepPoint* point : offeredPoints(sweep, curve.name)) offered.push_back(point);
    return offered;
}

QJsonObject pointJson(const SweepPoint& point, const QImage& decodedCrop, const DataSetOutcome& outcome,
                      const CurveColours& colours) {
    return QJsonObject{{"curve", text(point.curve)},
                       {"colour", text(colours.of(point.curve))},
                       {"quality", text(qualityText(point))},
                       {"bpp", text(formatMeasure(point.measures.bitsPerPixel, 3))},
                       {"measures", measuresJson(point, outcome.parameters.measures)},
                       {"image", text(losslessDataUrl(decodedCrop))}};
}

// One picture's crops and points; its points whose decoded picture cannot be shown go to `omitted`.
QJsonObject pictureJson(const std::string& name, const QImage& source, const std::vector<const SweepPoint*>& points,
                        int cropSide, const DataSetOutcome& outcome, const CurveColours& colours,
                        std::vector<Omission>& omitted) {
    const QRect crop = detailedCropRegion(source, cropSide);
    QJsonArray shown;
    for (const SweepPoint* point : points) {
        try {
            const QImage decoded = inSourceColours(keptDecodedPicture(point->keptDecoded, source.size()), source);
            shown.append(pointJson(*point, decoded.copy(crop), outcome, colours));
        } catch (const Error& error) {
            omitted.push_back({name, point->curve + " at quality " + qualityText(*point), error.what()});
        }
    }
    return QJsonObject{{"name", text(name)},
                       {"width", source.width()},
                       {"height", source.height()},
                       {"crop", QJsonObject{{"x", crop.x()}, {"y", crop.y()}, {"width", crop.width()},
                                            {"height", crop.height()}}},
                       {"source", text(losslessDataUrl(source.copy(crop)))},
                       {"points", shown}};
}

std::string omissionsHtml(const std::vector<Omission>& omitted) {
    if (omitted.empty()) return {};
    std::string html =
        "<p>Not shown, so that no picture stands in for another:</p>\n<ul class=\"comparison-omitted\">\n";
    for (const Omission& omission : omitted)
        html += "<li>" + htmlEscaped(omission.picture) +
                (omission.point.empty() ? std::string() : ", " + htmlEscaped(omission.point)) + ": " +
                htmlEscaped(omission.reason) + "</li>\n";
    return html + "</ul>\n";
}

const char* kComparisonStyle = R"(<style>
#comparisons .comparison-controls { display: flex; flex-wrap: wrap; gap: 0.5em 1.5em; align-items: center;
  margin: 0.5em 0; }
#comparisons .comparison-row { display: flex; flex-wrap: wrap; gap: 1em; align-items: flex-start; }
#comparisons figure { margin: 0; } #comparisons figcaption { font-size: 0.85em; color: #555; }
#comparisons .comparison-frame { overflow: auto; max-width: 100%; max-height: 80vh; }
#comparisons img { display: block; image-rendering: pixelated; }
#comparisons .comparison-stage { position: relative; width: fit-content; }
#comparisons .comparison-stage img.comparison-top { position: absolute; left: 0; top: 0; }
#comparisons .comparison-divider { position: absolute; top: 0; bottom: 0; width: 1px;
  background: rgba(255, 255, 255, 0.8); }
#comparisons .comparison-divider[hidden] { display: none; }
#comparisons .comparison-swatch { display: inline-block; width: 0.8em; height: 0.8em; margin-right: 0.3em; }
</style>
)";

// Each picture with a point offered, with its crops; a picture without a source to show goes to
// `omitted`, as do its points whose decoded picture cannot be shown.
QJsonArray picturesJson(const DataSetOutcome& outcome, const ReportContext& context,
                        const std::vector<std::vector<const SweepPoint*>>& offered, int cropSide,
                        std::vector<Omission>& omitted) {
    const CurveColours colours(outcome);
    QJsonArray pictures;
    for (std::size_t i = 0; i < outcome.outcomes.size(); ++i) {
        const std::string& name = outcome.outcomes[i].picture;
        if (offered[i].empty()) continue;
        const std::string file = i < context.pictureFiles.size() ? context.pictureFiles[i] : std::string();
        if (file.empty()) {
            omitted.push_back({name, "", "the picture's file is not found now, so there is no source to show beside "
                                         "its decoded pictures"});
            continue;
        }
        try {
            pictures.append(
                pictureJson(name, loadDocumentPicture(file), offered[i], cropSide, outcome, colours, omitted));
        } catch (const Error& error) {
            omitted.push_back({name, "", error.what()});
        }
    }
    return pictures;
}

}  // namespace

std::string pictureComparisonsHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    std::vector<std::vector<const SweepPoint*>> offered;
    std::size_t crops = 0;
    for (const PictureOutcome& picture : outcome.outcomes) {
        offered.push_back(offeredPoints(outcome, picture.sweep));
        if (!offered.back().empty()) crops += offered.back().size() + 1;
    }
    if (crops == 0) return {};
    std::vector<Omission> omitted;
    const QJsonArray pictures = picturesJson(outcome, context, offered, cropSideFor(crops), omitted);
    const QByteArray json = QJsonDocument(QJsonObject{{"pictures", pictures}}).toJson(QJsonDocument::Compact);
    return "<section id=\"comparisons\">\n<h2>Decoded pictures beside their source</h2>\n"
           "<p>The same crop of each picture (its most detailed part) and of its decoded pictures at a low, a middle "
           "and a high quality of each curve, pixel for pixel as they were measured.</p>\n" +
           std::string(kComparisonStyle) + omissionsHtml(omitted) +
           "<div id=\"comparison-viewer\"></div>\n<script type=\"application/json\" id=\"comparison-data\">" +
           scriptSafeJson(json.toStdString()) + "</script>\n<script>\n" + std::string(comparisonsScript()) +
           "</script>\n</section>\n";
}

}  // namespace brenlow
