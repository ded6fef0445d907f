#include "cli/evaluate_command.h"

#include <optional>

#include "brenlow/codec.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/dataset_commands.h"
#include "cli/printable_text.h"
#include "cli/run_outputs.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/folder_lock.h"

namespace brenlow::cli {
namespace {

// The results would mix with the pictures they are measured from.
void refuseResultsAmongInputs(const Request& request) {
    if (request.resultFolder.empty()) return;
    for (const std::string& folder : {request.referenceFolder, request.decodedFolder})
        if (samePlace(request.resultFolder, folder))
            throw UsageError("--out: \"" + request.resultFolder + "\" is one of the folders read; name another");
}

}  // namespace

CommandOutput runEvaluateCommand(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    refuseResultsAmongInputs(request);
    const std::vector<ImportedCurve> imported = importedCurves(request);
    Evaluation evaluation;
    std::vector<std::string> leftOut;
    evaluation.pictures = expandPictureArguments({request.referenceFolder}, &leftOut);
    if (!request.quiet)
        for (const std::string& entry : leftOut) notes << "Left out of the data set: " << printableLine(entry) << '\n';
    std::vector<std::string> resultFolders;
    if (!request.resultFolder.empty()) resultFolders.push_back(request.resultFolder);
    checkDataSetOutputs(request, dataSetInputs(request, evaluation.pictures, resultFolders));
    evaluation.decodedFolder = request.decodedFolder;
    evaluation.name = request.evaluatedName;
    evaluation.measures = measureChoiceOf(request);
    evaluation.versions = runVersions();
    evaluation.resultFolder = request.resultFolder;
    checkEvaluationInputs(evaluation);
    std::optional<FolderLock> folderLock;
    if (!evaluation.resultFolder.empty()) {
        makeResultFolder(evaluation.resultFolder);
        folderLock.emplace(evaluation.resultFolder, FolderLock::Use::Writing);
    }
    const DataSetWork work = runEvaluation(evaluation);
    if (!evaluation.resultFolder.empty()) {
        // Printed from the folder, as a sweep with --out prints, so the two agree.
        folderLock.reset();
        return dataSetOutput(request, loadDataSet({evaluation.resultFolder}), imported, started, notes);
    }
    DataSetRun run;
    run.pictures = evaluation.pictures;
    run.settings.curves = {evaluationCurve(evaluation.name)};
    run.settings.qualities.clear();
    for (const DecodedPoint& point : decodedPoints(evaluation.decodedFolder)) run.settings.qualities.push_back(point.quality);
    run.settings.measures = evaluation.measures;
    run.versions = evaluation.versions;
    return dataSetOutput(request, collectDataSet(run, work), imported, started, notes);
}

}  // namespace brenlow::cli
