#include "report/html_report.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "catalogue/library_versions.h"
#include "measures/measure_table.h"
#include "measures/measures.h"
#include "report/curve_plot.h"
#include "report/picture_comparisons.h"
#include "report/report_tables.h"

namespace brenlow {
namespace {

const char* kStyle = R"(body { font-family: sans-serif; margin: 2em auto; max-width: 1200px; color: #222; }
h1 { font-size: 1.6em; } h2 { font-size: 1.3em; border-bottom: 1px solid #ccc; margin-top: 2em; }
h3 { font-size: 1.05em; }
table { border-collapse: collapse; margin: 0.5em 0 1em; font-size: 0.9em; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }
th { background: #f0f0f0; } td.num { text-align: right; font-variant-numeric: tabular-nums; }
.weak { color: #b00; } sup { line-height: 0; } figure { margin: 1em 0; } pre { background: #f6f6f6; padding: 0.6em; }
.plots { display: flex; flex-wrap: wrap; gap: 0 1em; } .plots svg { max-width: 100%; height: auto; }
)";

std::string section(const std::string& title, const std::string& body) {
    return "<h2>" + htmlEscaped(title) + "</h2>\n" + body;
}

// The items the run could not make: every figure of the page is taken without them.
std::string failedItemsHtml(const std::vector<FailedItem>& failed) {
    if (failed.empty()) return {};
    std::string html = "<p>These items could not be made; every figure below is taken without them.</p>\n<table>\n"
                       "<tr><th>picture</th><th>codec</th><th>reason</th></tr>\n";
    for (const FailedItem& item : failed)
        html += "<tr><td>" + htmlEscaped(item.picture) + "</td><td>" + htmlEscaped(item.curve) + "</td><td>" +
                htmlEscaped(item.reason) + "</td></tr>\n";
    return section("Failed items", html + "</table>\n");
}

// Each picture with the file it is found at now, so that a reader knows which files the figures
// stand on and whether they are still there.
std::string pictureFilesHtml(const std::vector<std::string>& pictures, const std::vector<std::string>& files) {
    if (files.size() != pictures.size()) return {};
    std::string html = "<p>Each picture as the run named it, and the file it is found at now (by its path relative "
                       "to the result folder, else its absolute path).</p>\n<table>\n<tr><th>picture</th>"
                       "<th>found at</th></tr>\n";
    for (std::size_t i = 0; i < pictures.size(); ++i)
        html += "<tr><td>" + htmlEscaped(pictures[i]) + "</td><td>" +
                (files[i].empty() ? std::string("<span class=\"weak\">not found</span>") : htmlEscaped(files[i])) +
                "</td></tr>\n";
    return section("Pictures", html + "</table>\n");
}

std::string keyValueTable(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string html = "<table>\n";
    for (const auto& [key, value] : rows)
        html += "<tr><th>" + htmlEscaped(key) + "</th><td>" + htmlEscaped(value) + "</td></tr>\n";
    return html + "</table>\n";
}

template <typename Items, typename Name>
std::string joined(const Items& items, Name name) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : ", ") + name(item);
    return text;
}

std::string measuresTaken(const MeasureChoice& choice) {
    return joined(measureNamesTaken(choice), [](const std::string& name) { return name; });
}

std::string importedList(const std::vector<ImportedCurve>& imported) {
    return joined(imported, [](const ImportedCurve& curve) {
        return curve.name + " (" +
               joined(curve.curves, [](const auto& entry) { return std::string(measureKey(entry.first)); }) + ")";
    });
}

using KeyValueRows = std::vector<std::pair<std::string, std::string>>;

std::string qualitiesText(const std::vector<int>& qualities) {
    return joined(qualities, [](int quality) { return std::to_string(quality); });
}

// One row when every curve is swept at the same qualities; otherwise a row for each list, naming
// its curves, so that no curve seems swept at qualities it was not. A run coded to sizes gives its
// targets instead: each picture has its own qualities there.
KeyValueRows qualityRows(const DataSetOutcome& outcome) {
    const std::vector<double>& targets = outcome.parameters.bppTargets;
    if (!targets.empty())
        return {{"bits per pixel targets", joined(targets, [](double target) { return formatMeasure(target, 3); })}};
    std::vector<std::pair<std::vector<int>, std::vector<std::string>>> lists;
    for (const CodecCurve& curve : outcome.curves) {
        const std::vector<int>& qualities = curve.qualitiesOr(outcome.parameters.qualities);
        const auto list =
            std::find_if(lists.begin(), lists.end(), [&](const auto& each) { return each.first == qualities; });
        if (list == lists.end())
            lists.push_back({qualities, {curve.name}});
        else
            list->second.push_back(curve.name);
    }
    if (lists.size() <= 1)
        return {{"qualities", qualitiesText(lists.empty() ? outcome.parameters.qualities : lists.front().first)}};
    KeyValueRows rows;
    for (const auto& [qualities, curves] : lists)
        rows.emplace_back("qualities (" + joined(curves, [](const std::string& name) { return name; }) + ")",
                          qualitiesText(qualities));
    return rows;
}

bool sweepsCodec(const DataSetOutcome& outcome, StillCodec codec) {
    return std::any_of(outcome.curves.begin(), outcome.curves.end(),
                       [codec](const CodecCurve& curve) { return curve.codec == codec; });
}

std::string parametersHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    const DataSetParameters& parameters = outcome.parameters;
    KeyValueRows rows{{"pictures", std::to_string(outcome.pictures.size())},
                      {"codecs", joined(outcome.curves, [](const CodecCurve& curve) { return curve.name; })}};
    for (auto& row : qualityRows(outcome)) rows.push_back(std::move(row));
    // The divisor and the focus are settings of our own two codecs alone.
    const bool avc = sweepsCodec(outcome, StillCodec::Avc);
    if (avc || sweepsCodec(outcome, StillCodec::Ajc))
        rows.emplace_back("divisor (avc, ajc)", formatMeasure(parameters.divisor, 1));
    if (avc) rows.emplace_back("focus passes (avc)", std::to_string(parameters.passes));
    rows.emplace_back("measures", measuresTaken(parameters.measures));
    rows.emplace_back("delta rates against", context.anchor);
    if (!context.imported.empty()) rows.emplace_back("published curves", importedList(context.imported));
    return keyValueTable(rows);
}

std::string versionsHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    const LibraryVersions& run = outcome.parameters.versions;
    std::string html = "<p>The results were made with:</p>\n" +
                       keyValueTable(std::vector<std::pair<std::string, std::string>>(run.begin(), run.end()));
    if (!context.versions.empty() && context.versions != run)
        html += "<p>This report was written with:</p>\n" +
                keyValueTable(std::vector<std::pair<std::string, std::string>>(context.versions.begin(),
                                                                               context.versions.end()));
    return html;
}

bool hasFinitePoint(const std::vector<PlotCurve>& curves) {
    for (const PlotCurve& curve : curves)
        for (const RatePoint& point : curve.points)
            if (std::isfinite(point.rate) && std::isfinite(point.quality)) return true;
    return false;
}

std::vector<PlotCurve> curvesOn(const DataSetOutcome& outcome, const ReportContext& context, CurveMeasure measure) {
    std::vector<PlotCurve> curves;
    for (const CodecCurve& curve : outcome.curves)
        curves.push_back({curve.name, aggregateCurve(outcome, curve.name, measure), false});
    for (const ImportedCurve& imported : context.imported) {
        const auto found = imported.curves.find(measure);
        if (found != imported.curves.end()) curves.push_back({imported.name + " (published)", found->second, true});
    }
    return curves;
}

std::string plotsHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    std::string html = "<p>Mean bits per pixel against the mean measure over the pictures, one point per quality" +
                       std::string(context.imported.empty() ? "" : "; dashed lines are published curves") +
                       ".</p>\n<div class=\"plots\">\n";
    for (CurveMeasure measure : deltaMeasuresTaken(outcome.parameters.measures)) {
        const std::vector<PlotCurve> curves = curvesOn(outcome, context, measure);
        if (!hasFinitePoint(curves)) continue;
        const std::string label = measureLabel(measure);
        html += "<figure id=\"plot-" + std::string(measureKey(measure)) + "\">\n" +
                curvePlotSvg(curves, label + " against bits per pixel", "bits per pixel",
                             higherIsBetter(measure) ? label : label + ", lower is better") +
                "\n</figure>\n";
    }
    return html + "</div>\n";
}

std::string deltasHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    std::vector<DeltaRow> rows = aggregateDeltaTable(outcome, context.anchor);
    for (DeltaRow& row : importedDeltaTable(outcome, context.anchor, context.imported)) rows.push_back(std::move(row));
    if (rows.empty()) return "<p>The anchor " + htmlEscaped(context.anchor) + " was not swept.</p>\n";
    return "<p>Negative rates: fewer bits for the same quality. Quality deltas are in the measure's unit (for "
           "CIEDE2000 and Butteraugli lower is better). <span class=\"weak\">*</span> the curves share less than half "
           "of either's range.</p>\n" +
           aggregateDeltaTableHtml(rows, context.anchor);
}

std::string recordedCount(int count) { return count > 0 ? std::to_string(count) : "not recorded"; }

std::string cpuSpeedsHtml() {
    return "<p>The CPU speeds are the same medians on processor seconds (user + system): of the whole process "
           "where a coding was all it did, so that any thread a library codes on is counted, else of the thread "
           "the codec coded on alone (each point's cpu_clock in the JSON says which). Wall-clock speeds well below "
           "the CPU ones mean the codings waited for the cores.</p>\n";
}

// The conditions each run timed under, and the warnings they call for.
std::string timedRunsHtml(const std::vector<TimedRun>& runs) {
    if (runs.empty())
        return "<p>How the times were taken is not recorded: the results were kept before it was, or decoded "
               "elsewhere and not timed here.</p>\n";
    std::string html = "<h3>How the times were taken</h3>\n";
    for (const std::string& warning : timingWarnings(runs))
        html += "<p class=\"weak timing-warning\">Warning: " + htmlEscaped(warning) + "</p>\n";
    return html + timedRunsTableHtml(runs);
}

// The speeds, with how their times were taken beside them.
std::string speedHtml(const DataSetOutcome& outcome) {
    const TimingConditions& timing = outcome.parameters.timing;
    return "<p>Megapixels per second of coding alone and of decoding alone, wall clock: for each curve and " +
           std::string(outcome.parameters.bppTargets.empty() ? "quality" : "size target") +
           ", the median over the pictures of each picture's speed. Timing runs per point (its time the median): " +
           recordedCount(timing.runs) + ". Threads per codec while timed: " + recordedCount(timing.threadsPerCodec) +
           " (the libraries' own threads and our codecs' kernels alike). Each point's wall-clock and CPU seconds "
           "are in the data set's CSV and JSON.</p>\n" +
           cpuSpeedsHtml() + speedTableHtml(outcome) + timedRunsHtml(outcome.timedRuns);
}

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

}  // namespace

ReportContext currentReportContext(std::string anchor, std::vector<ImportedCurve> imported) {
    ReportContext context;
    context.anchor = std::move(anchor);
    context.imported = std::move(imported);
    context.versions = {{"brenlow", programVersion()}, {"qt", qtVersion()}, {"libjpeg", jpegLibraryVersion()}};
    for (const auto& [library, version] : anchorLibraryVersions()) context.versions[library] = version;
    context.machine = machineDescription();
    return context;
}

std::string htmlReport(const DataSetOutcome& outcome, const ReportContext& context) {
    const std::vector<PerPictureDeltas> perPicture = perPictureDeltaTable(outcome, context.anchor);
    const std::string title = htmlEscaped(context.title);
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n<p>Written " +
           utcNow() + ".</p>\n" + failedItemsHtml(outcome.failed) +
           section("Parameters", parametersHtml(outcome, context)) +
           section("Curves", curvesTableHtml(outcome)) +
           section("Library versions", versionsHtml(outcome, context)) +
           section("Machine", "<pre>" + htmlEscaped(context.machine) + "</pre>\n") +
           section("Aggregate curves", plotsHtml(outcome, context)) +
           section("Delta rates on the aggregate curves", deltasHtml(outcome, context)) +
           section("Speed", speedHtml(outcome)) +
           section("Delta rates over the pictures",
                   "<p>Each picture's delta rate on its own curves, summarised over the pictures where it is "
                   "defined.</p>\n" +
                       perPictureSummaryHtml(perPicture)) +
           section("Each picture's delta rates (cubic fit)", perPictureTablesHtml(outcome, perPicture)) +
           pictureFilesHtml(outcome.pictures, context.pictureFiles) + pictureComparisonsHtml(outcome, context) +
           "</body>\n</html>\n";
}

}  // namespace brenlow
