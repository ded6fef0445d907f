#include "report/report_tables.h"

#include <algorithm>
#include <cctype>

#include "catalogue/codec_registry.h"
#include "measures/measures.h"

namespace brenlow {
namespace {

std::string cell(const std::string& text) {
    return "<td>" + text + "</td>";
}

std::string numberCell(const std::string& text) {
    return "<td class=\"num\">" + text + "</td>";
}

std::string headerRow(const std::vector<std::string>& titles) {
    std::string row = "<tr>";
    for (const std::string& title : titles) row += "<th>" + htmlEscaped(title) + "</th>";
    return row + "</tr>\n";
}

// A delta with a mark when the curves share less than half of either's range.
std::string deltaCell(const BdResult& result, int decimals) {
    const std::string mark = result.weakOverlap ? "<sup class=\"weak\">*</sup>" : "";
    return numberCell(signedFigure(result.value, decimals) + mark);
}

// An id made of names: letters, digits and '-' only.
std::string idOf(const std::string& text) {
    std::string id;
    for (char c : text) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    return id;
}

std::vector<std::string> curvesIn(const std::vector<PerPictureDeltas>& rows) {
    std::vector<std::string> curves;
    for (const PerPictureDeltas& row : rows)
        if (std::find(curves.begin(), curves.end(), row.curve) == curves.end()) curves.push_back(row.curve);
    return curves;
}

std::string qualitiesText(const std::vector<int>& qualities) {
    std::string text;
    for (int quality : qualities) text += (text.empty() ? "" : ", ") + std::to_string(quality);
    return text;
}

std::vector<CurveMeasure> measuresIn(const std::vector<PerPictureDeltas>& rows) {
    std::vector<CurveMeasure> measures;
    for (const PerPictureDeltas& row : rows)
        if (std::find(measures.begin(), measures.end(), row.measure) == measures.end()) measures.push_back(row.measure);
    return measures;
}

}  // namespace

std::string htmlEscaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string signedFigure(double value, int decimals) {
    std::string figure = formatMeasure(value, decimals);
    if (value > 0) figure.insert(figure.begin(), '+');
    return figure;
}

std::string aggregateDeltaTableHtml(const std::vector<DeltaRow>& rows, const std::string& anchor) {
    std::string html = "<table class=\"deltas\">\n" +
                       headerRow({"against " + anchor, "measure", "BD-rate cubic (%)", "BD-rate PCHIP (%)",
                                  "BD-quality cubic", "BD-quality PCHIP"});
    // deltaTable gives each measure's cubic row, then its PCHIP row.
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        const DeltaRow& cubic = rows[i];
        const DeltaRow& pchip = rows[i + 1];
        html += "<tr id=\"bd-" + idOf(cubic.curve) + "-" + measureKey(cubic.measure) + "\">" +
                cell(htmlEscaped(cubic.curve)) + cell(htmlEscaped(measureLabel(cubic.measure))) +
                deltaCell(cubic.rate, 2) + deltaCell(pchip.rate, 2) + deltaCell(cubic.quality, 4) +
                deltaCell(pchip.quality, 4) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string curvesTableHtml(const DataSetOutcome& outcome) {
    std::string html = "<table>\n" + headerRow({"curve", "codec", "settings", "qualities", "library"});
    for (const CodecCurve& curve : outcome.curves) {
        html += "<tr id=\"curve-" + idOf(curve.name) + "\">" + cell(htmlEscaped(curve.name)) +
                cell(htmlEscaped(curveCodecName(curve))) +
                cell(htmlEscaped(curve.settingsText().empty() ? "none" : curve.settingsText())) +
                cell(qualitiesText(curve.qualitiesOr(outcome.parameters.qualities))) +
                cell(htmlEscaped(curveLibrary(curve))) + "</tr>\n";
    }
    return html + "</table>\n";
}

namespace {

std::string cpuSpeedCells(const AggregatePoint& point) {
    return numberCell(formatMeasure(point.encodeCpuMegapixelsPerSecond, 2)) +
           numberCell(formatMeasure(point.decodeCpuMegapixelsPerSecond, 2)) +
           numberCell(std::to_string(point.cpuTimedPictures));
}

std::string loadText(const LoadAverage& load) {
    return formatMeasure(load.oneMinute, 2) + " " + formatMeasure(load.fiveMinutes, 2) + " " +
           formatMeasure(load.fifteenMinutes, 2);
}

}  // namespace

std::string timedRunsTableHtml(const std::vector<TimedRun>& runs) {
    std::string html = "<table class=\"timed-runs\">\n" +
                       headerRow({"run started (UTC)", "shard", "items", "jobs (-j)", "codings at a time",
                                  "shared the cores", "timing runs", "threads per codec", "processor", "cores",
                                  "load average at start (1, 5, 15 min)", "at end"});
    for (const TimedRun& run : runs)
        html += "<tr>" + cell(htmlEscaped(run.started)) + cell(htmlEscaped(run.shard.empty() ? "-" : run.shard)) +
                numberCell(std::to_string(run.items)) + numberCell(std::to_string(run.jobs)) +
                numberCell(std::to_string(run.codingsAtOnce)) + cell(run.sharedCores() ? "yes" : "no") +
                numberCell(std::to_string(run.timingRuns)) + numberCell(std::to_string(run.threadsPerCodec)) +
                cell(htmlEscaped(run.processor)) + numberCell(std::to_string(run.cores)) +
                numberCell(loadText(run.loadAtStart)) + numberCell(loadText(run.loadAtEnd)) + "</tr>\n";
    return html + "</table>\n";
}

std::string speedTableHtml(const DataSetOutcome& outcome) {
    const bool sized = !outcome.parameters.bppTargets.empty();
    std::string html = "<table class=\"speeds\">\n" +
                       headerRow({"curve", sized ? "target (bpp)" : "quality", "timed pictures",
                                  "encode (megapixels/s)", "decode (megapixels/s)", "encode, CPU (megapixels/s)",
                                  "decode, CPU (megapixels/s)", "pictures with CPU times"});
    for (const AggregatePoint& point : outcome.aggregate) {
        const std::string place = sized ? formatMeasure(point.targetBpp, 3) : std::to_string(point.quality);
        html += "<tr id=\"speed-" + idOf(point.curve) + "-" + idOf(place) + "\">" + cell(htmlEscaped(point.curve)) +
                numberCell(place) + numberCell(std::to_string(point.timedPictures)) +
                numberCell(formatMeasure(point.encodeMegapixelsPerSecond, 2)) +
                numberCell(formatMeasure(point.decodeMegapixelsPerSecond, 2)) + cpuSpeedCells(point) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string perPictureSummaryHtml(const std::vector<PerPictureDeltas>& rows) {
    std::string html = "<table class=\"deltas\">\n" + headerRow({"codec", "measure", "fit", "mean (%)", "median (%)",
                                                                 "min (%)", "max (%)", "stdev (%)", "pictures"});
    for (const PerPictureDeltas& row : rows) {
        const DeltaSummary& rate = row.rate;
        const std::string pictures =
            std::to_string(rate.count) + (rate.leftOut > 0 ? " (" + std::to_string(rate.leftOut) + " n/a)" : "");
        html += "<tr id=\"pp-" + idOf(row.curve) + "-" + measureKey(row.measure) + "-" +
                interpolationName(row.interpolation) + "\">" + cell(htmlEscaped(row.curve)) +
                cell(htmlEscaped(measureLabel(row.measure))) + cell(interpolationName(row.interpolation)) +
                numberCell(signedFigure(rate.mean, 2)) + numberCell(signedFigure(rate.median, 2)) +
                numberCell(signedFigure(rate.min, 2)) + numberCell(signedFigure(rate.max, 2)) +
                numberCell(formatMeasure(rate.stdev, 2)) + numberCell(pictures) + "</tr>\n";
    }
    return html + "</table>\n";
}

std::string perPictureTablesHtml(const DataSetOutcome& outcome, const std::vector<PerPictureDeltas>& rows) {
    const std::vector<std::string> curves = curvesIn(rows);
    std::string html;
    for (CurveMeasure measure : measuresIn(rows)) {
        std::vector<std::string> titles{"picture"};
        for (const std::string& curve : curves) titles.push_back(curve + " (%)");
        html += "<h3>" + htmlEscaped(measureLabel(measure)) + "</h3>\n<table class=\"deltas\">\n" + headerRow(titles);
        for (std::size_t picture = 0; picture < outcome.pictures.size(); ++picture) {
            html += "<tr>" + cell(htmlEscaped(outcome.pictures[picture]));
            for (const std::string& curve : curves) {
                const auto row = std::find_if(rows.begin(), rows.end(), [&](const PerPictureDeltas& candidate) {
                    return candidate.curve == curve && candidate.measure == measure &&
                           candidate.interpolation == BdInterpolation::Cubic;
                });
                const bool known = row != rows.end() && picture < row->rates.size();
                html += numberCell(known ? signedFigure(row->rates[picture].value, 2) : "n/a");
            }
            html += "</tr>\n";
        }
        html += "</table>\n";
    }
    return html;
}

}  // namespace brenlow
