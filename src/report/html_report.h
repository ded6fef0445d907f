#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"
#include "report/machine_description.h"

namespace brenlow {

// What a report shows beside the data set's own results.
struct ReportContext {
    std::string title = "Data set report";
    std::string anchor = "jpeg";                // the curve the delta rates are taken against
    std::vector<ImportedCurve> imported;        // published curves drawn and compared with the anchor
    LibraryVersions versions;                   // of the program writing the report; the run's are in the outcome
    std::string machine;                        // lines as machineDescription() gives them
    // Where each of the outcome's pictures is found now, in its order ("" where it is not); none:
    // the page lists no pictures.
    std::vector<std::string> pictureFiles;
    std::string commandLine;                    // that wrote the report; "": none is shown
};

// The context of a report written now, here: this program's library versions, this machine, the
// default title.
ReportContext currentReportContext(std::string anchor, std::vector<ImportedCurve> imported);

// One self-contained HTML page (its scripts built in, no links out): the title, the command line,
// the run's parameters and library versions, the curves with their settings, the machine, one chart
// per measure taken (bits per pixel against the measure, one line per curve and per imported curve;
// the mean over the pictures or one picture's, with the spread and the points' details) and inline
// SVG plots for a browser that runs no script, the delta rates on the aggregate curves (sortable and
// filtered by anchor, measure and interpolation) and summarised over the pictures, each picture's
// deltas, where its pictures are found now, and the decoded pictures kept beside their source
// (pictureComparisonsHtml). Needs no display: the charts are drawn by the
// browser from the page's data, the fallback plots written as SVG text.
std::string htmlReport(const DataSetOutcome& outcome, const ReportContext& context);

// A report of more pictures than this is written as several pages, so that none grows past what a
// browser opens readily: each page has the figures over all the pictures, and the sections of each
// picture (its points in the charts, its delta rates, its file) for this many of them.
inline constexpr std::size_t kPicturesPerReportPage = 1000;

struct ReportPage {
    std::string fileName;  // beside the first page's
    std::string html;
};

// The report as htmlReport writes it, as one page named `fileName` up to kPicturesPerReportPage
// pictures; past them, one page per as many pictures, the first named `fileName` and the others
// after it ("report-2.html", ...), each linking to every other.
std::vector<ReportPage> htmlReportPages(const DataSetOutcome& outcome, const ReportContext& context,
                                        const std::string& fileName);

}  // namespace brenlow
