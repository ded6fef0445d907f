#include "cli/report_command.h"

#include <iostream>
#include <span>

#include "brenlow/studies.h"
#include "cli/dataset_commands.h"
#include "cli/research_commands.h"
#include "cli/run_outputs.h"
#include "io/file_io.h"
#include "report/html_report.h"

namespace brenlow::cli {
namespace {

std::string reportTitle(const DataSetOutcome& outcome) {
    return "Data set of " + std::to_string(outcome.pictures.size()) + " pictures: " + curveNamesText(outcome.curves);
}

// Where each picture is found now; "" where it is not.
std::vector<std::string> foundPictureFiles(const std::vector<std::string>& pictures,
                                           const std::vector<std::string>& folders) {
    std::vector<std::string> found;
    for (const std::string& picture : pictures) {
        const std::string file = pictureFileOfResults(picture, folders);
        found.push_back(fileExists(file) ? file : std::string());
    }
    return found;
}

}  // namespace

std::size_t runReportCommand(const Request& request) {
    const auto locks = lockedForReading(request.files);
    checkDataSetOutputs(request, dataSetInputs(request, {}, request.files));
    const DataSetOutcome outcome = loadDataSet(request.files);
    ReportContext context = currentReportContext(anchorOf(sweepRequestOf(request), outcome.curves), importedCurves(request));
    checkImportNames(context.imported, outcome.curves);
    context.title = reportTitle(outcome);
    context.pictureFiles = foundPictureFiles(outcome.pictures, request.files);
    const std::string page = htmlReport(outcome, context);
    writeFileAtomically(request.htmlPath,
                        std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
    return writeFailedItems(outcome.failed, std::cerr);
}

}  // namespace brenlow::cli
