#include "cli/evaluate_command.h"

#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/dataset_commands.h"
#include "cli/printable_text.h"
#include "cli/run_outputs.h"

namespace brenlow::cli {

CommandOutput runEvaluateCommand(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    EvaluationRequest asked;
    asked.referenceFolder = request.referenceFolder;
    asked.decodedFolder = request.decodedFolder;
    asked.name = request.evaluatedName;
    asked.measures = measureChoiceOf(request);
    asked.resultFolder = request.resultFolder;
    std::vector<std::string> leftOut;
    const Evaluation evaluation = planEvaluation(asked, &leftOut);
    const std::vector<ImportedCurve> imported = importedCurves(request);
    if (!request.quiet)
        for (const std::string& entry : leftOut) notes << "Left out of the data set: " << printableLine(entry) << '\n';
    std::vector<std::string> resultFolders;
    if (!request.resultFolder.empty()) resultFolders.push_back(request.resultFolder);
    checkDataSetOutputs(request, dataSetInputs(request, evaluation.pictures, resultFolders));
    return dataSetOutput(request, evaluateDecoded(evaluation).outcome, imported, started, notes);
}

}  // namespace brenlow::cli
