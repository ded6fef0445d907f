#include "brenlow/studies.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "experiments/command_sweep_point.h"
#include "experiments/dataset_inputs.h"
#include "experiments/own_outputs.h"
#include "io/folder_lock.h"
#include "results/dataset_store.h"
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

DataSetRunOutcome runDataSet(const DataSetPlan& plan, const RunControl& control) {
    const DataSetRun& run = plan.run;
    // Two runs into one folder would each resume and overwrite the other's results.
    std::optional<FolderLock> folderLock;
    if (!run.resultFolder.empty()) {
        makeResultFolder(run.resultFolder);
        folderLock.emplace(run.resultFolder, FolderLock::Use::Writing);
    }
    ProgressPacer pacer(control);
    DataSetRunOutcome result;
    result.work = runDataSetItems(run, [&](int done, int total) { return pacer(done, total); });
    if (run.shardCount > 1) return result;
    // A cancelled run's folder lacks items, so its partial data set comes from what the run holds.
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

}  // namespace brenlow
