#include "report/html_report.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "catalogue/library_versions.h"
#include "measures/measure_table.h"
#include "measures/measures.h"
#include "report/curve_plot.h"
#include "report/page_assets.h"
#include "report/page_data.h"
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

std::string staticPlotsHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    std::string html = "<div class=\"plots\">\n";
    for (CurveMeasure measure : plottedMeasures(outcome, context)) {
        const std::vector<PlotCurve> curves = curvesOn(outcome, context, measure);
        const std::string label = measureLabel(measure);
        html += "<figure id=\"plot-" + std::string(measureKey(measure)) + "\">\n" +
                curvePlotSvg(curves, label + " against bits per pixel", "bits per pixel",
                             higherIsBetter(measure) ? label : label + ", lower is better") +
                "\n</figure>\n";
    }
    return html + "</div>\n";
}

// The charts drawn by the page's script, with the plots as SVG for a reader whose browser runs none.
std::string plotsHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    return "<p>Mean bits per pixel against the mean measure over the pictures, one point per quality" +
           std::string(context.imported.empty() ? "" : "; published curves are drawn beside them") +
           ". Choose a picture to see its own curves and delta rates; the buttons hide and show a curve in every "
           "chart; hovering a point tells what it is.</p>\n<div id=\"page-charts\"></div>\n<noscript>\n" +
           staticPlotsHtml(outcome, context) + "</noscript>\n";
}

std::string deltasHtml(const DataSetOutcome& outcome, const ReportContext& context) {
    std::vector<DeltaRow> rows = aggregateDeltaTable(outcome, context.anchor);
    for (DeltaRow& row : importedDeltaTable(outcome, context.anchor, context.imported)) rows.push_back(std::move(row));
    if (rows.empty()) return "<p>The anchor " + htmlEscaped(context.anchor) + " was not swept.</p>\n";
    return "<p>Negative rates: fewer bits for the same quality. Quality deltas are in the measure's unit (for "
           "CIEDE2000 and Butteraugli lower is better). Weak (<span class=\"weak\">*</span> without scripts): the curves "
           "share less than half of either's range. "
           "Click a column's title to sort by it.</p>\n<div id=\"page-deltas\"></div>\n<noscript>\n" +
           aggregateDeltaTableHtml(rows, context.anchor) + "</noscript>\n";
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

std::string commandLineHtml(const std::string& commandLine) {
    if (commandLine.empty()) return {};
    return section("Command line", "<p>This page was written by:</p>\n<pre>" + htmlEscaped(commandLine) + "</pre>\n");
}

// The data the charts and tables are drawn from, then the scripts that draw them: at the end, so that
// the static tables show while they run.
std::string scriptsHtml(const std::string& pageData) {
    return "<script type=\"application/json\" id=\"brenlow-data\">" + pageData + "</script>\n<script>\n" + std::string(chartLibraryScript()) + "\n</script>\n<script>\n" +
           std::string(reportPageScript()) + "\n</script>\n";
}

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

// The pictures one page of a report shows the sections of each picture for, and the pages beside it.
struct PageOfPictures {
    std::size_t first = 0;
    std::size_t count = 0;
    std::size_t index = 0;               // of the page, from 0
    std::vector<std::string> fileNames;  // of every page; none when the report is one page
};

// "report.html", "report-2.html", ...: one name per kPicturesPerReportPage pictures.
std::vector<std::string> pageFileNames(const std::string& fileName, std::size_t pictures) {
    const std::size_t dot = fileName.rfind('.');
    const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
    const std::string ending = dot == std::string::npos ? std::string() : fileName.substr(dot);
    std::vector<std::string> names{fileName};
    for (std::size_t page = 2; (page - 1) * kPicturesPerReportPage < pictures; ++page)
        names.push_back(stem + "-" + std::to_string(page) + ending);
    return names;
}

// The data set with only the page's pictures, for the sections of each picture; the figures over
// all of them are taken from the whole.
DataSetOutcome picturesOfPage(const DataSetOutcome& outcome, const PageOfPictures& page) {
    const auto slice = [&page](const auto& values) {
        using Values = std::decay_t<decltype(values)>;
        const std::size_t first = std::min(page.first, values.size());
        return Values(values.begin() + static_cast<std::ptrdiff_t>(first),
                      values.begin() + static_cast<std::ptrdiff_t>(std::min(first + page.count, values.size())));
    };
    DataSetOutcome part;
    part.pictures = slice(outcome.pictures);
    part.curves = outcome.curves;
    part.parameters = outcome.parameters;
    part.outcomes = slice(outcome.outcomes);
    part.colourEncodings = slice(outcome.colourEncodings);
    return part;
}

std::vector<PerPictureDeltas> deltasOfPage(std::vector<PerPictureDeltas> rows, const PageOfPictures& page) {
    const auto keep = [&page](auto& values) {
        const std::size_t first = std::min(page.first, values.size());
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(std::min(first + page.count, values.size())),
                     values.end());
        values.erase(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(first));
    };
    for (PerPictureDeltas& row : rows) {
        keep(row.pictures);
        keep(row.rates);
        keep(row.qualities);
    }
    return rows;
}

// Which pictures this page shows and a link to each other page; nothing for a report of one page.
std::string pageLinksHtml(const PageOfPictures& page, std::size_t pictures) {
    if (page.fileNames.size() <= 1) return {};
    std::string html = "<nav class=\"report-pages\"><p>This report has " + std::to_string(page.fileNames.size()) +
                       " pages, each showing the figures over all " + std::to_string(pictures) +
                       " pictures and the curves and delta rates of " + std::to_string(kPicturesPerReportPage) +
                       " of them. This page: pictures " + std::to_string(page.first + 1) + " to " +
                       std::to_string(std::min(page.first + page.count, pictures)) + ".</p>\n<p>Pages:";
    for (std::size_t i = 0; i < page.fileNames.size(); ++i) {
        const std::string first = std::to_string(i * kPicturesPerReportPage + 1);
        const std::string last = std::to_string(std::min((i + 1) * kPicturesPerReportPage, pictures));
        html += i == page.index ? " <strong>" + first + "-" + last + "</strong>"
                                : " <a href=\"" + htmlEscaped(page.fileNames[i]) + "\">" + first + "-" + last + "</a>";
    }
    return html + "</p></nav>\n";
}

std::string reportPageHtml(const DataSetOutcome& outcome, const ReportContext& context,
                           const std::vector<PerPictureDeltas>& perPicture, const PageOfPictures& page) {
    const bool whole = page.fileNames.size() <= 1;
    const DataSetOutcome part = whole ? DataSetOutcome{} : picturesOfPage(outcome, page);
    const DataSetOutcome& shown = whole ? outcome : part;
    const std::vector<PerPictureDeltas> partDeltas = whole ? std::vector<PerPictureDeltas>{} : deltasOfPage(perPicture, page);
    const std::vector<PerPictureDeltas>& shownDeltas = whole ? perPicture : partDeltas;
    ReportContext partContext;
    if (!whole) {
        partContext = context;
        const std::size_t first = std::min(page.first, context.pictureFiles.size());
        partContext.pictureFiles.assign(
            context.pictureFiles.begin() + static_cast<std::ptrdiff_t>(first),
            context.pictureFiles.begin() + static_cast<std::ptrdiff_t>(std::min(first + page.count, context.pictureFiles.size())));
    }
    const ReportContext& shownContext = whole ? context : partContext;
    const std::string title = htmlEscaped(context.title);
    const std::string links = pageLinksHtml(page, outcome.pictures.size());
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
           "</title>\n<style>\n" + kStyle + std::string(reportPageStyle()) + "</style>\n</head>\n<body>\n<h1>" + title +
           "</h1>\n<p>Written " + utcNow() + ".</p>\n" + links + failedItemsHtml(outcome.failed) +
           commandLineHtml(context.commandLine) +
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
           section("Each picture's delta rates (cubic fit)", links + perPictureTablesHtml(shown, shownDeltas)) +
           pictureFilesHtml(shown.pictures, shownContext.pictureFiles) +
           scriptsHtml(pageDataJson(outcome, context, perPicture, page.first, page.count)) +
           pictureComparisonsHtml(shown, shownContext) + "</body>\n</html>\n";
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
    return reportPageHtml(outcome, context, perPictureDeltaTable(outcome, context.anchor),
                          {0, outcome.pictures.size(), 0, {}});
}

std::vector<ReportPage> htmlReportPages(const DataSetOutcome& outcome, const ReportContext& context,
                                        const std::string& fileName) {
    const std::size_t pictures = outcome.pictures.size();
    if (pictures <= kPicturesPerReportPage) return {{fileName, htmlReport(outcome, context)}};
    const std::vector<PerPictureDeltas> perPicture = perPictureDeltaTable(outcome, context.anchor);
    PageOfPictures page{0, kPicturesPerReportPage, 0, pageFileNames(fileName, pictures)};
    std::vector<ReportPage> pages;
    for (; page.index < page.fileNames.size(); ++page.index, page.first += kPicturesPerReportPage)
        pages.push_back({page.fileNames[page.index], reportPageHtml(outcome, context, perPicture, page)});
    return pages;
}

}  // namespace brenlow
