#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "brenlow/requests.h"
#include "brenlow/run_control.h"
#include "codecs/document.h"
// The outcomes the calls give are the core's own types.
#include "experiments/command_sweep_point.h"
#include "experiments/dataset_inputs.h"
#include "experiments/dataset_outcome.h"
#include "experiments/own_outputs.h"
#include "experiments/sweep.h"
#include "io/folder_lock.h"
#include "results/dataset_run.h"
#include "results/dataset_store.h"
#include "results/evaluation.h"

namespace brenlow {

// One picture swept at the request's settings: what was read from the document, and the points.
struct PictureSweep {
    SweepSettings settings;
    SweepSource source;
    SweepOutcome outcome;
    std::string anchor;  // the curve its delta rates are taken against
};

// Reads what the sweep needs from the document (its file, the codecs' reference pictures). Throws
// Error as prepareSweep does.
PictureSweep preparePictureSweep(const DocumentView& document, const SweepRequest& request);

// Codes and measures every point, with progress and cancel; a cancelled sweep keeps the points
// started before it. The control's jobs, when set, are the points coded at once. The outcome
// records how its points were timed (outcome.timedRun).
void runPictureSweep(PictureSweep& sweep, const RunControl& control = {});

// A data set before it runs: the pictures taken and those left out with the reason, the settings,
// the library versions its figures depend on (those of the codecs run by commands among them), and
// this shard's item count.
struct DataSetPlan {
    DataSetRun run;
    std::vector<std::string> leftOut;          // "\"folder/name\" (why)", every file left out
    std::vector<LeftOutPicture> ownOutputs;  // those of them that Brenlow wrote beside their sources
    std::size_t items = 0;
    std::string anchor;
};

// Expands the request's pictures (files as given, folders' pictures, patterns), leaving out the
// files Brenlow wrote beside its sources. Throws Error as expandPictureArguments does, or naming a
// curve that does not read.
DataSetPlan planDataSet(const DataSetRequest& request, const RunControl& control = {});

// A data set left in its result folders and read from them as often as asked, the folders locked
// while it is held.
struct LockedDataSet {
    std::vector<std::unique_ptr<FolderLock>> locks;
    FiledDataSet dataSet;
};

// What a data set run did, and the data set it makes: read back from the result folder when it has
// one (so a resumed run gives what an uninterrupted one does); when cancelled, the pictures whose
// items all finished (none when no picture did); none for one shard of several. A run into a result
// folder holds none of its items' results in `work` (their counts and failures only): the outcome has
// their points.
struct DataSetRunOutcome {
    DataSetWork work;
    bool hasOutcome = false;
    DataSetOutcome outcome;  // empty when the data set is handed back in `filed`
    // Of a run into a result folder asked to hand its data set back a picture at a time: the data
    // set there, the folder still locked for writing; null otherwise.
    std::shared_ptr<const LockedDataSet> filed;
};

// How a run hands back its data set: whole in the outcome, or, from a run into a result folder,
// left there to be read a picture at a time (a data set too large to hold whole).
enum class DataSetReadBack { Whole, APictureAtATime };

// Runs the plan: makes and locks its result folder for writing (another run into it is refused),
// resumes what the folder holds, files each item as it is done. Throws Error when the folder cannot
// be made, locked or written.
DataSetRunOutcome runDataSet(const DataSetPlan& plan, const RunControl& control = {},
                             DataSetReadBack readBack = DataSetReadBack::Whole);

// The data set of one or more result folders, each locked for reading while it is read (see
// loadDataSet), with the anchor the one rule gives.
struct OpenedResults {
    DataSetOutcome outcome;
    std::string anchor;
};
OpenedResults openResults(const std::vector<std::string>& folders, const std::optional<std::string>& anchor = {});

// A codec that ran elsewhere, measured from its decoded pictures: one subfolder of the decoded
// folder per point, each picture of the reference folder against its decoded version.
struct EvaluationRequest {
    std::string referenceFolder;
    std::string decodedFolder;
    std::string name;          // the curve's name: not a codec's, letters, digits, '_', '-' and '.'
    MeasureChoice measures = everyMeasure();
    std::string resultFolder;  // empty: in memory only
};

// What is wrong with the name an evaluated codec's curve is given, for a person to read; empty
// when nothing is.
std::string evaluatedNameProblem(const std::string& name);

// The evaluation of the request: its reference pictures found, the files left out of them in
// `leftOut` ("\"folder/name\" (why)"). Throws UsageError for a bad name or a result folder that is
// one of the folders read, Error as expandPictureArguments does.
Evaluation planEvaluation(const EvaluationRequest& request, std::vector<std::string>* leftOut = nullptr);

// Runs the evaluation (see runEvaluation); its data set is read back from the result folder, which
// is locked for writing meanwhile, when it has one.
DataSetRunOutcome evaluateDecoded(const Evaluation& evaluation);

}  // namespace brenlow
