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
};

// The context of a report written now, here: this program's library versions, this machine, the
// default title.
ReportContext currentReportContext(std::string anchor, std::vector<ImportedCurve> imported);

// One self-contained HTML page (no links out; its scripts are inside it): the title, the run's
// parameters and library versions, the curves with their settings, the machine, one inline SVG plot
// per measure taken (bits per pixel against the measure, one line per curve and per imported curve),
// the delta rates on the aggregate curves and summarised over the pictures, each picture's deltas,
// where its pictures are found now, and the decoded pictures kept beside their source
// (pictureComparisonsHtml). Needs no display: the plots are written as SVG text.
std::string htmlReport(const DataSetOutcome& outcome, const ReportContext& context);

}  // namespace brenlow
