#include "brenlow/studies.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

#include "catalogue/codec_registry.h"
#include "catalogue/decoded_folder.h"
#include "experiments/command_sweep_point.h"
#include "experiments/dataset_inputs.h"
#include "experiments/own_outputs.h"
#include "io/file_io.h"
#include "io/folder_lock.h"
#include "results/dataset_store.h"
#include "results/evaluation.h"
#include "results/research_json.h"

namespace brenlow {
namespace {

std::vector<std::string> namedFiles(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments)
        if (std::filesystem::is_regular_file(argument)) files.push_back(argument);
    return files;
}

}  // namespace

PictureSweep preparePictureSweep(const DocumentView& document, const SweepRequest& request) {
    PictureSweep sweep;
    sweep.settings = sweepSettingsOf(request);
    sweep.anchor = anchorOf(request, sweep.settings.curves);
    sweep.source = prepareSweep(document, sweep.settings);
    return sweep;
}

void runPictureSweep(PictureSweep& sweep, const RunControl& control) {
    if (control.jobs > 0 && sweep.settings.timingRuns <= 1) sweep.settings.threads = control.jobs;
    ProgressPacer pacer(control);
    TimedRun timed = timedRunStarting(control.jobsOrCores(), timedCodingsAtOnce(sweep.settings),
                                      std::max(sweep.settings.timingRuns, 1), kTimedCodecThreads);
    sweep.outcome = runSweep(sweep.source, sweep.settings, [&](int done, int total) { return pacer(done, total); });
    timed.items = 1;
    sweep.outcome.timedRun = timed;
    endTimedRun(sweep.outcome.timedRun);
}

DataSetPlan planDataSet(const DataSetRequest& request, const RunControl& control) {
    DataSetPlan plan;
    const std::vector<std::string> found = expandPictureArguments(request.pictures, &plan.leftOut);
    plan.run.pictures = withoutOwnOutputs(found, namedFiles(request.pictures), &plan.ownOutputs);
    for (const LeftOutPicture& output : plan.ownOutputs)
        plan.leftOut.push_back("\"" + output.picture + "\" (" + output.why + ")");
    plan.run.settings = sweepSettingsOf(request.sweep);
    plan.anchor = anchorOf(request.sweep, plan.run.settings.curves);
    plan.run.versions = runVersions();
    plan.run.versions.merge(commandCodecVersions(plan.run.settings.curves));
    plan.run.versions.merge(callerCodecVersions(plan.run.settings.curves));
    plan.run.resultFolder = request.resultFolder;
    plan.run.remakeCurves = curvesToRemake(request.remake, plan.run.settings.curves, runDefaultsOf(request.sweep));
    plan.run.shard = request.shard;
    plan.run.shardCount = request.shardCount;
    plan.run.keepDecoded = request.keepDecoded;
    plan.run.jobs = control.jobsOrCores();
    plan.items =
        shardOf(dataSetItems(plan.run.pictures.size(), plan.run.settings.curves.size()), plan.run.shard, plan.run.shardCount)
            .size();
    return plan;
}

DataSetRunOutcome runDataSet(const DataSetPlan& plan, const RunControl& control, DataSetReadBack readBack) {
    // The data set is read back from the result folder, so the run drops each item once filed.
    DataSetRun run = plan.run;
    run.holdResults = run.resultFolder.empty();
    // Two runs into one folder would each resume and overwrite the other's results.
    std::unique_ptr<FolderLock> folderLock;
    if (!run.resultFolder.empty()) {
        makeResultFolder(run.resultFolder);
        folderLock = std::make_unique<FolderLock>(run.resultFolder, FolderLock::Use::Writing);
    }
    ProgressPacer pacer(control);
    DataSetRunOutcome result;
    result.work = runDataSetItems(run, [&](int done, int total, const std::string& item,
                                           const std::vector<std::string>& running) {
        return pacer(done, total, item, running);
    });
    if (run.shardCount > 1) return result;
    if (readBack == DataSetReadBack::APictureAtATime && folderLock) {
        auto filed = std::make_shared<LockedDataSet>(LockedDataSet{{}, FiledDataSet(run, result.work)});
        filed->locks.push_back(std::move(folderLock));
        result.hasOutcome = !result.work.cancelled || !filed->dataSet.pictures().empty();
        result.filed = std::move(filed);
        return result;
    }
    // A cancelled run's folder lacks items: its partial data set is of the pictures the run finished.
    result.outcome = run.resultFolder.empty() || result.work.cancelled ? collectDataSet(run, result.work)
                                                                       : loadDataSet({run.resultFolder});
    result.hasOutcome = !result.work.cancelled || !result.outcome.pictures.empty();
    return result;
}

OpenedResults openResults(const std::vector<std::string>& folders, const std::optional<std::string>& anchor) {
    std::vector<std::unique_ptr<FolderLock>> locks;
    for (const std::string& folder : folders)
        locks.push_back(std::make_unique<FolderLock>(folder, FolderLock::Use::Reading));
    OpenedResults opened;
    opened.outcome = loadDataSet(folders);
    opened.anchor = anchorOf(anchor, opened.outcome.curves);
    return opened;
}

std::string evaluatedNameProblem(const std::string& name) {
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
    });
    if (!plain) return "--name may hold only letters, digits, '_', '-' and '.'";
    if (codecEntryNamed(name) != nullptr) return "\"" + name + "\" is the name of a codec; name the codec otherwise";
    return {};
}

Evaluation planEvaluation(const EvaluationRequest& request, std::vector<std::string>* leftOut) {
    if (const std::string problem = evaluatedNameProblem(request.name); !problem.empty()) throw UsageError(problem);
    // The results would mix with the pictures they are measured from.
    if (!request.resultFolder.empty())
        for (const std::string& folder : {request.referenceFolder, request.decodedFolder})
            if (samePlace(request.resultFolder, folder))
                throw UsageError("--out: \"" + request.resultFolder + "\" is one of the folders read; name another");
    Evaluation evaluation;
    evaluation.pictures = expandPictureArguments({request.referenceFolder}, leftOut);
    evaluation.decodedFolder = request.decodedFolder;
    evaluation.name = request.name;
    evaluation.measures = request.measures;
    evaluation.versions = runVersions();
    evaluation.resultFolder = request.resultFolder;
    return evaluation;
}

DataSetRunOutcome evaluateDecoded(const Evaluation& evaluation) {
    checkEvaluationInputs(evaluation);
    DataSetRunOutcome result;
    result.hasOutcome = true;
    if (evaluation.resultFolder.empty()) {
        result.work = runEvaluation(evaluation);
        DataSetRun run;
        run.pictures = evaluation.pictures;
        run.settings.curves = {evaluationCurve(evaluation.name)};
        run.settings.qualities.clear();
        for (const DecodedPoint& point : decodedPoints(evaluation.decodedFolder))
            run.settings.qualities.push_back(point.quality);
        run.settings.measures = evaluation.measures;
        run.versions = evaluation.versions;
        result.outcome = collectDataSet(run, result.work);
        return result;
    }
    makeResultFolder(evaluation.resultFolder);
    {
        const FolderLock folderLock(evaluation.resultFolder, FolderLock::Use::Writing);
        result.work = runEvaluation(evaluation);
    }
    // Read from the folder, as a sweep into one is, so the two agree.
    result.outcome = loadDataSet({evaluation.resultFolder});
    return result;
}

}  // namespace brenlow
