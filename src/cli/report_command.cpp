#include "cli/report_command.h"

#include <iostream>

#include "brenlow/report.h"
#include "brenlow/studies.h"
#include "cli/dataset_commands.h"
#include "cli/research_commands.h"
#include "cli/run_outputs.h"

namespace brenlow::cli {

std::size_t runReportCommand(const Request& request) {
    const auto locks = lockedForReading(request.files);
    checkDataSetOutputs(request, dataSetInputs(request, {}, request.files));
    const DataSetOutcome outcome = loadDataSet(request.files);
    const std::vector<ImportedCurve> imported = importedCurves(request);
    checkImportNames(imported, outcome.curves);
    writeDataSetReport(request.htmlPath, outcome, anchorOf(sweepRequestOf(request), outcome.curves), imported,
                       request.files, request.typed);
    return writeFailedItems(outcome.failed, std::cerr);
}

}  // namespace brenlow::cli
