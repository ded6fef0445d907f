#include "results/dataset_run.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>
#include <utility>

#include "codecs/codec_steps.h"
#include "experiments/command_fingerprint.h"
#include "experiments/command_sweep_point.h"
#include "experiments/kept_decoded.h"
#include "experiments/point_helpers.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "measures/linear_srgb.h"
#include "measures/measure_table.h"
#include "measures/reference_shelf.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

std::string resultPath(const std::string& folder, const std::string& picture, const CodecCurve& curve) {
    return (fs::path(folder) / resultFileName(picture, curve.name)).string();
}

// The parameters an item's result is made with and compared by: the run's, less the commands of
// the codecs of other curves. Results filed while every item recorded them all compare alike.
DataSetParameters itemParameters(DataSetParameters parameters, const CodecCurve& curve) {
    parameters.versions = curveVersions(parameters.versions, curve);
    return parameters;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

// What of the parameters two results differ in, for a person to read; empty when they agree.
std::string parameterDifference(const DataSetParameters& a, const DataSetParameters& b) {
    if (a.qualities != b.qualities) return "qualities";
    if (a.bppTargets != b.bppTargets) return "size targets";
    if (a.divisor != b.divisor) return "divisor";
    if (a.passes != b.passes) return "focus";
    if (a.measures != b.measures) return "measures";
    if (a.timing.runs != b.timing.runs) return "timing runs";
    if (a.timing.threadsPerCodec != b.timing.threadsPerCodec) return "threads per codec while timed";
    for (const auto& [library, version] : a.versions) {
        const auto other = b.versions.find(library);
        if (other != b.versions.end() && other->second != version && isFingerprintKey(library))
            return "library versions (" + library + ": " + joined(fingerprintChanges(version, other->second)) + ")";
        if (other == b.versions.end() || other->second != version)
            return "library versions (" + library + " " + version + " against " +
                   (other == b.versions.end() ? "none" : other->second) + ")";
    }
    return a.versions == b.versions ? std::string() : "library versions";
}

// Whether the result holds one point per quality (or size target) of its curve, in its order, and
// no other: a file with points added or changed would otherwise be averaged as if it were the run's.
bool holdsTheRunsPoints(const StoredResult& stored, const DataSetParameters& parameters) {
    const std::vector<SweepPoint>& points = stored.sweep.points;
    const std::vector<int>& qualities = stored.curve.qualitiesOr(parameters.qualities);
    const std::vector<double>& targets = parameters.bppTargets;
    if (points.size() != (targets.empty() ? qualities.size() : targets.size())) return false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool samePlace = targets.empty() ? points[i].quality == qualities[i] && std::isnan(points[i].targetBpp)
                                               : points[i].targetBpp == targets[i];
        if (!samePlace || points[i].curve != stored.curve.name) return false;
    }
    return true;
}

// Whether the run keeps the decoded pictures of the curve's points.
bool keepsDecoded(const DataSetRun& run, const CodecCurve& curve) {
    return !run.resultFolder.empty() && (run.keepDecoded || curve.codec == StillCodec::Command || isCallerCurve(curve));
}

// A curve run by commands or by a caller's functions, which later readers of the folder may not
// have, or any curve of a run that keeps decoded pictures, keeps each point's
// decoded picture beside its result; a result whose pictures are gone or changed since (the row
// would open other pixels than were measured), lie elsewhere than the folder keeps them, or that
// was made before they were kept, is made again.
bool keepsItsDecodedPictures(const StoredResult& stored, const DataSetRun& run) {
    if (!keepsDecoded(run, stored.curve)) return true;
    const std::string& folder = run.resultFolder;
    return std::all_of(stored.sweep.points.begin(), stored.sweep.points.end(), [&](const SweepPoint& point) {
        if (!isKeptInside(point.keptDecoded.path, folder, stored.picture, stored.curve.name, point.quality))
            return false;
        try {
            return keptPictureState(point.keptDecoded, plausibleDecodedBytes(point.megapixels * 1e6)) ==
                   KeptPictureState::AsMeasured;
        } catch (const Error&) {
            return false;
        }
    });
}

// Whether the picture file is still the one the stored result was made from: the same size and
// modification time, and the same pixels where the result kept their digest (a file copied over
// it with its time kept, or changed within the same second on a coarse file system, is noticed).
bool madeFromThisPicture(const StoredResult& stored, const PictureStamp& stamp,
                         const std::function<const std::string&()>& pixelsDigest) {
    return stored.stamp == stamp && (stored.pixelsSha256.empty() || stored.pixelsSha256 == pixelsDigest());
}

// A result made at other settings, or under another name, is never taken for the run's curve.
bool reusable(const std::optional<StoredResult>& stored, const std::string& picture, const CodecCurve& curve,
              bool samePicture, const DataSetParameters& parameters, const DataSetRun& run) {
    return stored && stored->picture == picture && stored->curve == curve && samePicture &&
           itemParameters(stored->parameters, curve) == parameters && holdsTheRunsPoints(*stored, parameters) &&
           keepsItsDecodedPictures(*stored, run);
}

// Each picture's pixel digest, made once by the first item that needs it.
class PixelDigests {
public:
    explicit PixelDigests(std::size_t pictures) : made_(pictures), digests_(pictures) {}

    const std::string& of(std::size_t index, const std::string& picture) {
        std::call_once(made_[index], [&] {
            digests_[index] =
                namingFileOnError(picture, [&] { return pixelsSha256(openPictureDocument(picture, false).bitmap); });
        });
        return digests_[index];
    }

private:
    std::vector<std::once_flag> made_;
    std::vector<std::string> digests_;
};

// A stored file that cannot be read is made again like one made otherwise.
std::optional<StoredResult> storedOrNothing(const std::string& path, bool& unreadable) {
    try {
        return readResult(path);
    } catch (const Error&) {
        unreadable = true;
        return std::nullopt;
    }
}

// The item's sweep, its errors naming the picture; nullopt when the progress stopped it.
// The settings of an item's sweep: -j says how many items run side by side; points side by side
// within each would multiply threads.
SweepSettings itemSettings(const SweepSettings& runSettings, int itemsAtOnce) {
    SweepSettings settings = runSettings;
    settings.threads = 1;
    settings.sweepsAtOnce = itemsAtOnce;
    return settings;
}

std::optional<StoredResult> sweepItem(const DataSetRun& run, const DataSetItem& item, const TimedRun& timedRun,
                                      const std::shared_ptr<PreparedReferences>& references, PointHelpers* helpers,
                                      const SweepProgress& progress) {
    const std::string& picture = run.pictures[item.picture];
    const CodecCurve& curve = run.settings.curves[item.curve];
    SweepSettings settings = itemSettings(run.settings, timedRun.jobs > 0 ? std::min(timedRun.jobs, timedRun.items) : 1);
    settings.curves = {curve};
    settings.pointHelpers = helpers;
    if (keepsDecoded(run, curve))
        settings.keepDecoded = [&](const CodecCurve& of, int quality, const QImage& decoded) {
            return keepDecodedPicture(keptDecodedPathMade(run.resultFolder, picture, of.name, quality), decoded);
        };
    return namingFileOnError(picture, [&]() -> std::optional<StoredResult> {
        StoredResult result{picture, curve, pictureStampOf(picture),
                            itemParameters(dataSetParameters(settings, run.versions), curve), {}, {}, {}, {}};
        const PictureDocument document = openPictureDocument(picture, false);
        result.pixelsSha256 = pixelsSha256(document.bitmap);
        result.colourEncoding = colourEncodingName(document.bitmap.colorSpace());
        SweepSource source = prepareSweep(document.view(), settings);
        source.prepared = references;
        result.sweep = runSweep(source, settings, progress);
        result.sweep.timedRun = timedRun;
        endTimedRun(result.sweep.timedRun);
        // The item is that one curve: its failure is the item's.
        if (!result.sweep.failedCurves.empty()) throw result.sweep.failedCurves.front().error;
        if (result.sweep.cancelled) return std::nullopt;
        return result;
    });
}

// How far one item got: its points counted by the progress, and whether it replaces a stored
// result made otherwise, or one as it was made because the run was asked to.
struct ItemState {
    int pointsCounted = 0;
    bool replacing = false;
    bool remaking = false;
};

// Why a stored result of a codec described by commands, or handed in by a caller, is of other
// programs, files or version than the run's, naming what changed; "" when it is not.
std::string codecChange(const StoredResult& stored, const CodecCurve& curve, const DataSetParameters& parameters,
                        const std::string& folder) {
    if (!isKnownByName(curve.codec)) return {};
    const bool command = curve.codec == StillCodec::Command;
    const std::string key = command ? fingerprintKey(curve.otherCodec) : callerVersionKey(curve.otherCodec);
    const auto now = parameters.versions.find(key);
    const auto was = stored.parameters.versions.find(key);
    if (now == parameters.versions.end() || (was != stored.parameters.versions.end() && was->second == now->second))
        return {};
    const std::string intro = "The codec \"" + curve.otherCodec + "\" ";
    if (was == stored.parameters.versions.end())
        return intro + "has results in \"" + folder + "\" made before " + (command ? "what it runs" : "its version") +
               " was recorded; its items are made again";
    const std::string changes = command ? joined(fingerprintChanges(was->second, now->second))
                                        : "version \"" + was->second + "\" then, \"" + now->second + "\" now";
    return intro + "has changed since its results in \"" + folder + "\" were made (" + changes +
           "); its items are made again";
}

// Hands the items out to the threads and counts the points done across all of them.
class ItemRunner {
public:
    ItemRunner(const DataSetRun& run, const std::vector<DataSetItem>& items, const DataSetProgress& progress)
        : run_(run), items_(items), progress_(progress), parameters_(dataSetParameters(run.settings, run.versions)) {
        if (holdsResults()) work_.results.resize(items.size());
        finished_.resize(items.size(), false);
        for (const DataSetItem& item : items) total_ += pointsOf(item);
        timedRun_ = runTimedAsPlanned();
    }

    DataSetWork run() {
        const int threads = itemsAtOnce();
        // The workers end before the program: the readers are readied on the thread that runs them.
        prepareImageReaders();
        {
            std::vector<std::jthread> workers;
            for (int i = 1; i < threads; ++i) workers.emplace_back([this] { work(); });
            work();
        }
        if (failure_) std::rethrow_exception(failure_);
        for (auto& [codec, change] : codecChanges_) work_.codecChanges.push_back(std::move(change));
        keepFinishedItems();
        work_.timedRun = timedRun_;
        work_.timedRun.items = work_.computed;
        endTimedRun(work_.timedRun);
        return std::move(work_);
    }

private:
    int itemsAtOnce() const {
        return std::clamp(run_.jobs, 1, static_cast<int>(std::max<std::size_t>(items_.size(), 1)));
    }

    // `items` holds the items side by side for the items' sweeps; a record counts its own items later.
    TimedRun runTimedAsPlanned() const {
        const int codings = timedCodingsAtOnce(itemSettings(run_.settings, itemsAtOnce()));
        TimedRun timed = timedRunStarting(run_.jobs, codings, std::max(run_.settings.timingRuns, 1), kTimedCodecThreads);
        timed.items = static_cast<int>(items_.size());
        if (run_.shardCount > 1) timed.shard = std::to_string(run_.shard) + "/" + std::to_string(run_.shardCount);
        return timed;
    }

    bool holdsResults() const { return brenlow::holdsResults(run_); }

    // A stopped run keeps what it finished, in item order: those items are filed already, and a
    // partial outcome is made of them.
    void keepFinishedItems() {
        work_.cancelled = std::find(finished_.begin(), finished_.end(), false) != finished_.end();
        for (auto& [index, failed] : failures_) work_.failedItems.push_back(std::move(failed));
        work_.picturesFinished.assign(run_.pictures.size(), true);
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (!finished_[i]) work_.picturesFinished[items_[i].picture] = false;
        if (!work_.cancelled || !holdsResults()) return;
        std::vector<StoredResult> kept;
        for (std::size_t i = 0; i < finished_.size(); ++i)
            if (finished_[i]) kept.push_back(std::move(work_.results[i]));
        work_.results = std::move(kept);
    }

    int pointsOf(const DataSetItem& item) const {
        if (!run_.settings.bppTargets.empty()) return static_cast<int>(run_.settings.bppTargets.size());
        return static_cast<int>(run_.settings.curves[item.curve].qualitiesOr(run_.settings.qualities).size());
    }

    void work() {
        for (std::size_t i = next_++; i < items_.size() && !stop_; i = next_++) {
            markUnderWay(i, true);
            try {
                runItemOrRecordItsFailure(i);
            } catch (...) {
                const std::lock_guard lock(mutex_);
                if (!failure_) failure_ = std::current_exception();
                stop_ = true;
            }
            markUnderWay(i, false);
        }
        helpWithTheLastItems();
    }

    // With no item left to start, the thread codes points of the items still under way.
    void helpWithTheLastItems() {
        if (stop_) return;
        try {
            helpers_.help();
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            stop_ = true;
        }
    }

    // A picture that cannot be read or coded ends its own item, not the run; a fault of the result
    // folder itself (a full disk) still ends the run.
    void runItemOrRecordItsFailure(std::size_t index) {
        ItemState state;
        try {
            runItem(index, state);
        } catch (const Error& error) {
            const DataSetItem& item = items_[index];
            const CodecCurve& curve = run_.settings.curves[item.curve];
            StoredResult failed{
                run_.pictures[item.picture], curve, {}, itemParameters(parameters_, curve), {}, error.what(), {}, {}};
            if (!run_.resultFolder.empty()) writeResult(run_.resultFolder, failed);
            // The progress counts the item's points once, those done before it failed included.
            finish(index, std::move(failed), &DataSetWork::failed, state, pointsOf(item) - state.pointsCounted);
        }
    }

    void runItem(std::size_t index, ItemState& state) {
        const DataSetItem& item = items_[index];
        const std::string& picture = run_.pictures[item.picture];
        const CodecCurve& curve = run_.settings.curves[item.curve];
        if (!run_.resultFolder.empty()) {
            const std::string path = resultPath(run_.resultFolder, picture, curve);
            bool unreadable = false;
            std::optional<StoredResult> stored = storedOrNothing(path, unreadable);
            const bool samePicture =
                stored && stored->failure.empty() && stored->picture == picture &&
                madeFromThisPicture(*stored, namingFileOnError(picture, [&] { return pictureStampOf(picture); }),
                                    [&]() -> const std::string& { return digests_.of(item.picture, picture); });
            if (stored && stored->failure.empty() && stored->picture == picture && !samePicture)
                notePictureChanged(picture);
            const bool asMade = reusable(stored, picture, curve, samePicture, itemParameters(parameters_, curve), run_);
            if (asMade && !run_.remakeCurves.contains(curve.name)) {
                const int points = static_cast<int>(stored->sweep.points.size());
                finish(index, std::move(*stored), &DataSetWork::reused, state, points);
                return;
            }
            state.remaking = asMade;
            state.replacing = !asMade && (stored || unreadable);
            if (stored && !asMade) noteCodecChange(codecChange(*stored, curve, parameters_, run_.resultFolder), curve);
        }
        const ReferenceShelf::Lease references = shelf_.lease(item.picture);
        std::optional<StoredResult> result =
            sweepItem(run_, item, timedRun_, references.references(), &helpers_, [this, &state, index](int done, int) {
                if (done == 0) return !stop_.load();
                ++state.pointsCounted;
                return advance(1, index);
            });
        if (!result) return;
        if (!run_.resultFolder.empty()) writeResult(run_.resultFolder, *result);
        finish(index, std::move(*result), &DataSetWork::computed, state, 0);
    }

    void noteCodecChange(std::string change, const CodecCurve& curve) {
        if (change.empty()) return;
        const std::lock_guard lock(mutex_);
        codecChanges_.emplace(curve.otherCodec, std::move(change));
    }

    void notePictureChanged(const std::string& picture) {
        const std::lock_guard lock(mutex_);
        std::vector<std::string>& changed = work_.changedPictures;
        if (std::find(changed.begin(), changed.end(), picture) == changed.end()) changed.push_back(picture);
    }

    std::string itemName(std::size_t index) const {
        const DataSetItem& item = items_[index];
        return run_.settings.curves[item.curve].name + " on " + run_.pictures[item.picture];
    }

    void markUnderWay(std::size_t index, bool underWay) {
        const std::lock_guard lock(mutex_);
        if (underWay)
            underWay_.insert(index);
        else
            underWay_.erase(index);
    }

    // The points done by the item at `index`, which the progress names with the items under way.
    bool advance(int points, std::size_t index) {
        const std::string name = itemName(index);
        const std::lock_guard lock(mutex_);
        done_ += points;
        if (progress_) {
            std::vector<std::string> running;
            for (const std::size_t each : underWay_) running.push_back(itemName(each));
            if (!progress_(done_, total_, name, running)) stop_ = true;
        }
        return !stop_;
    }

    // An item is counted once finished, so that a cancelled run counts only the items it keeps.
    void finish(std::size_t index, StoredResult result, int DataSetWork::*counter, const ItemState& state,
                int pointsSkipped) {
        {
            const std::lock_guard lock(mutex_);
            if (!result.failure.empty()) failures_[index] = {result.picture, result.curve.name, result.failure};
            if (holdsResults()) work_.results[index] = std::move(result);
            finished_[index] = true;
            ++(work_.*counter);
            if (state.replacing) ++work_.replaced;
            if (state.remaking) ++work_.remade;
        }
        if (pointsSkipped > 0) advance(pointsSkipped, index);
    }

    const DataSetRun& run_;
    const std::vector<DataSetItem>& items_;
    const DataSetProgress& progress_;
    const DataSetParameters parameters_;
    TimedRun timedRun_;
    DataSetWork work_;
    std::vector<bool> finished_;  // by item, under the mutex
    std::map<std::size_t, FailedItem> failures_;  // by item, under the mutex
    std::set<std::size_t> underWay_;  // the items the threads hold now, under the mutex
    std::map<std::string, std::string> codecChanges_;  // by codec, under the mutex
    ReferenceShelf shelf_;  // each picture's reference preparations, shared by its items
    PointHelpers helpers_;  // the items' points offered to threads that have no item left
    PixelDigests digests_{run_.pictures.size()};
    std::mutex mutex_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::exception_ptr failure_;
    int done_ = 0;
    int total_ = 0;
};

// What a data set keeps of a picture's items besides their points.
struct PictureRecords {
    std::string colourEncoding;
    std::vector<FailedItem> failed;
    std::vector<TimedRun> timedRuns;
};

// Each picture's points, curves in the manifest's order, from the item results `find` gives, each
// used before the next is asked for; handed to `visit` a picture at a time.
template <typename Find, typename Visit>
void forEachPictureOf(const DataSetManifest& manifest, Find find, Visit&& visit) {
    for (const std::string& picture : manifest.pictures) {
        PictureOutcome outcome{picture, {}};
        outcome.sweep.curves = manifest.curves;
        PictureRecords records;
        for (const CodecCurve& curve : manifest.curves) {
            // A result `find` hands over as its own gives up its points; one it keeps lends copies.
            auto& result = find(picture, curve);
            if (records.colourEncoding.empty()) records.colourEncoding = result.colourEncoding;
            if (!result.failure.empty()) records.failed.push_back({picture, curve.name, result.failure});
            records.timedRuns.push_back(result.sweep.timedRun);
            outcome.sweep.points.insert(outcome.sweep.points.end(), std::make_move_iterator(result.sweep.points.begin()),
                                        std::make_move_iterator(result.sweep.points.end()));
        }
        visit(std::move(outcome), std::move(records));
    }
}

// A data set gathered a picture at a time: whole, or without its points (figures) with the
// per-picture deltas against an anchor.
class GatheredDataSet {
public:
    GatheredDataSet(const DataSetManifest& manifest, bool whole, const std::string& anchor = {})
        : manifest_(manifest),
          whole_(whole),
          aggregate_(manifest.curves),
          perPicture_(manifest.curves, anchor, deltaMeasuresTaken(manifest.parameters.measures), false) {}

    void operator()(PictureOutcome&& outcome, PictureRecords&& records) {
        failed_.insert(failed_.end(), std::make_move_iterator(records.failed.begin()),
                       std::make_move_iterator(records.failed.end()));
        for (const TimedRun& run : records.timedRuns) timedRuns_.add(run);
        colourEncodings_.push_back(std::move(records.colourEncoding));
        if (whole_) return outcomes_.push_back(std::move(outcome));
        aggregate_.add(outcome);
        perPicture_.add(outcome);
    }

    DataSetOutcome outcome() {
        DataSetOutcome outcome = whole_ ? makeDataSetOutcome(manifest_.pictures, manifest_.curves,
                                                             manifest_.parameters, std::move(outcomes_))
                                        : DataSetOutcome{manifest_.pictures, manifest_.curves, manifest_.parameters,
                                                         {}, aggregate_.points(), {}, {}, {}};
        outcome.failed = std::move(failed_);
        outcome.timedRuns = timedRuns_.runs();
        outcome.colourEncodings = std::move(colourEncodings_);
        return outcome;
    }

    std::vector<PerPictureDeltas> perPicture() const { return perPicture_.rows(); }

private:
    const DataSetManifest& manifest_;
    bool whole_;
    std::vector<PictureOutcome> outcomes_;
    AggregateTally aggregate_;
    PerPictureDeltaTally perPicture_;
    std::vector<FailedItem> failed_;
    DistinctRuns timedRuns_;
    std::vector<std::string> colourEncodings_;
};

template <typename Find>
DataSetOutcome assemble(const DataSetManifest& manifest, Find find) {
    GatheredDataSet gathered(manifest, true);
    forEachPictureOf(manifest, find, gathered);
    return gathered.outcome();
}

void requireSameDataSet(const DataSetManifest& first, const std::string& firstFolder, const DataSetManifest& other,
                        const std::string& otherFolder) {
    std::string difference;
    if (first.pictures != other.pictures)
        difference = "other pictures";
    else if (first.curves != other.curves)
        difference = "other curves (codecs or settings)";
    else if (!(first.parameters == other.parameters))
        difference = "other parameters (" + parameterDifference(first.parameters, other.parameters) + ")";
    if (!difference.empty())
        throw Error("The result folders \"" + firstFolder + "\" and \"" + otherFolder + "\" hold data sets of " +
                    difference + "; merge only the shards of one run");
}

bool sameManifestFiled(const std::string& folder, const DataSetManifest& manifest) {
    try {
        return readManifest(folder) == manifest;
    } catch (const Error&) {
        return false;
    }
}

bool pictureLocationsFiled(const std::string& folder, const std::vector<std::string>& pictures) {
    std::vector<PictureLocation> locations;
    for (const std::string& picture : pictures) locations.push_back(pictureLocationOf(picture, folder));
    try {
        return readPictureLocations(folder) == locations;
    } catch (const Error&) {
        return false;
    }
}

// A folder written before the pictures' locations were kept, or resumed from elsewhere, has them
// recorded again. A finished folder is resumed without a write, even on a read-only file system:
// where the manifest cannot be written, its pictures are looked for as before.
void fileManifest(const std::string& folder, const DataSetManifest& manifest) {
    if (!sameManifestFiled(folder, manifest)) return writeManifest(folder, manifest);
    if (pictureLocationsFiled(folder, manifest.pictures)) return;
    try {
        writeManifest(folder, manifest);
    } catch (const Error&) {
    }
}

using FolderRun = FiledDataSet::Run;

std::vector<std::string> curveNames(const DataSetManifest& manifest) {
    std::vector<std::string> names;
    for (const CodecCurve& curve : manifest.curves) names.push_back(curve.name);
    return names;
}

// Folders of the same curves are shards of one run and must agree in everything; folders of other
// curves are other runs (an evaluation beside the anchors' sweep) on the same pictures.
std::vector<FolderRun> folderRuns(const std::vector<std::string>& folders) {
    std::vector<FolderRun> runs;
    for (const std::string& folder : folders) {
        DataSetManifest manifest = readManifest(folder);
        const auto same = std::find_if(runs.begin(), runs.end(), [&](const FolderRun& run) {
            return curveNames(run.manifest) == curveNames(manifest);
        });
        if (same != runs.end()) {
            requireSameDataSet(same->manifest, same->folders.front(), manifest, folder);
            same->folders.push_back(folder);
            continue;
        }
        for (const FolderRun& run : runs) {
            if (run.manifest.pictures != manifest.pictures)
                throw Error("The result folders \"" + run.folders.front() + "\" and \"" + folder +
                            "\" hold other pictures; runs are merged only over the same pictures, named alike");
            for (const CodecCurve& curve : manifest.curves)
                if (findCurve(run.manifest.curves, curve.name) != nullptr)
                    throw Error("The result folders \"" + run.folders.front() + "\" and \"" + folder +
                                "\" both hold the curve \"" + curve.name + "\" but not the same curves; merge the "
                                "shards of one run, or runs of other curves");
        }
        runs.push_back({std::move(manifest), {folder}});
    }
    return runs;
}

// The timing the runs' times share: runs decoded elsewhere have none; runs timed otherwise share none.
TimingConditions sharedTiming(const std::vector<FolderRun>& runs) {
    std::optional<TimingConditions> shared;
    for (const FolderRun& run : runs) {
        const TimingConditions& timing = run.manifest.parameters.timing;
        if (timing.runs == 0) continue;
        if (shared && !(*shared == timing)) return {};
        shared = timing;
    }
    return shared.value_or(TimingConditions{});
}

// One data set of several runs' curves: each curve keeps its own run's qualities, and only the
// measures every run took are shown.
DataSetManifest combinedManifest(const std::vector<FolderRun>& runs) {
    DataSetManifest combined = runs.front().manifest;
    if (runs.size() == 1) return combined;
    for (CodecCurve& curve : combined.curves) curve.qualities = curve.qualitiesOr(combined.parameters.qualities);
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const DataSetParameters& parameters = runs[i].manifest.parameters;
        for (CodecCurve curve : runs[i].manifest.curves) {
            curve.qualities = curve.qualitiesOr(parameters.qualities);
            combined.curves.push_back(std::move(curve));
        }
        for (const OptionalMeasure& measure : optionalMeasures())
            combined.parameters.measures.take(
                measure.name, combined.parameters.measures.takes(measure.name) && parameters.measures.takes(measure.name));
        combined.parameters.versions.insert(parameters.versions.begin(), parameters.versions.end());
    }
    combined.parameters.timing = sharedTiming(runs);
    return combined;
}

// "the picture "a.png" changed since its results were made" for a few pictures, then how many more.
std::string changedPicturesText(const std::vector<std::string>& pictures) {
    constexpr std::size_t kNamed = 3;
    std::string names;
    for (std::size_t i = 0; i < std::min(pictures.size(), kNamed); ++i)
        names += (i == 0 ? "\"" : ", \"") + pictures[i] + "\"";
    if (pictures.size() > kNamed) names += " and " + std::to_string(pictures.size() - kNamed) + " more";
    return (pictures.size() == 1 ? "the picture " : "the pictures ") + names + " changed since " +
           (pictures.size() == 1 ? "its" : "their") + " results were made, which were made again";
}

const FolderRun& runOfCurve(const std::vector<FolderRun>& runs, const std::string& curveName) {
    for (const FolderRun& run : runs)
        if (findCurve(run.manifest.curves, curveName) != nullptr) return run;
    throw Error("No result folder holds the curve \"" + curveName + "\"");
}

// The pictures of `manifest` (the runs' combined one, or some of its pictures) handed to `visit` a
// picture at a time, each item taken from the first folder of its run that has it.
template <typename Visit>
void readPictures(const std::vector<FolderRun>& runs, const DataSetManifest& manifest, Visit&& visit) {
    // One result read at a time: the data set holds its points, not a second copy of every file.
    std::optional<StoredResult> current;
    forEachPictureOf(manifest, [&](const std::string& picture, const CodecCurve& curve) -> StoredResult& {
        const FolderRun& run = runOfCurve(runs, curve.name);
        const CodecCurve& asRun = *findCurve(run.manifest.curves, curve.name);
        for (const std::string& folder : run.folders) {
            const std::string path = resultPath(folder, picture, asRun);
            std::optional<StoredResult> stored = readResult(path);
            if (!stored) continue;
            const std::string difference = parameterDifference(itemParameters(run.manifest.parameters, asRun),
                                                               itemParameters(stored->parameters, asRun));
            const bool otherItem = stored->picture != picture || stored->curve.name != curve.name;
            const std::string made = otherItem                  ? "for another item"
                                     : !difference.empty()      ? "with other " + difference
                                     : !(stored->curve == asRun) ? "at other settings"
                                                                 : "";
            if (!made.empty())
                throw Error("The result was made " + made +
                                " than the data set of its folder; run that item again",
                            path);
            if (stored->failure.empty() && !holdsTheRunsPoints(*stored, run.manifest.parameters))
                throw Error("The result is damaged: its points are not one per quality of its data set; run that "
                            "item again",
                            path);
            stored->curve = curve;
            stored->sweep.curves = {curve};
            current = std::move(stored);
            return *current;
        }
        throw Error("The results lack picture \"" + picture + "\" with codec " + curve.name +
                    " (is a shard missing or unfinished?)");
    }, visit);
}

DataSetOutcome loadPictures(const std::vector<FolderRun>& runs, const DataSetManifest& manifest) {
    GatheredDataSet gathered(manifest, true);
    readPictures(runs, manifest, gathered);
    return gathered.outcome();
}

// Whether some folder of the curve's run has the item's file, whatever it holds.
bool filed(const std::vector<FolderRun>& runs, const std::string& picture, const CodecCurve& curve) {
    const FolderRun& run = runOfCurve(runs, curve.name);
    const CodecCurve& asRun = *findCurve(run.manifest.curves, curve.name);
    return std::any_of(run.folders.begin(), run.folders.end(),
                       [&](const std::string& folder) { return fs::exists(resultPath(folder, picture, asRun)); });
}

// A run stopped before its end leaves items unfiled; shards named together must hold them all.
bool unfinishedAllowed(const std::vector<FolderRun>& runs) {
    return std::all_of(runs.begin(), runs.end(), [](const FolderRun& run) { return run.folders.size() == 1; });
}

DataSetManifest manifestOf(const DataSetRun& run) {
    return {run.pictures, run.settings.curves, dataSetParameters(run.settings, run.versions)};
}

// The run's manifest: of a cancelled run, only the pictures it finished.
DataSetManifest filedManifest(const DataSetRun& run, const DataSetWork& work) {
    DataSetManifest manifest = manifestOf(run);
    if (!work.cancelled) return manifest;
    std::vector<std::string> finished;
    for (std::size_t i = 0; i < manifest.pictures.size(); ++i)
        if (work.picturesFinished[i]) finished.push_back(manifest.pictures[i]);
    manifest.pictures = std::move(finished);
    return manifest;
}

}  // namespace

bool holdsResults(const DataSetRun& run) { return run.holdResults || run.resultFolder.empty(); }

std::vector<DataSetItem> dataSetItems(std::size_t pictures, std::size_t curves) {
    std::vector<DataSetItem> items;
    for (std::size_t picture = 0; picture < pictures; ++picture)
        for (std::size_t curve = 0; curve < curves; ++curve) items.push_back({picture, curve});
    return items;
}

std::vector<DataSetItem> shardOf(const std::vector<DataSetItem>& items, int shard, int count) {
    if (count < 1 || shard < 1 || shard > count)
        throw Error("Shard " + std::to_string(shard) + " of " + std::to_string(count) + " does not exist");
    std::vector<DataSetItem> part;
    for (std::size_t k = static_cast<std::size_t>(shard - 1); k < items.size(); k += static_cast<std::size_t>(count))
        part.push_back(items[k]);
    return part;
}

DataSetWork runDataSetItems(const DataSetRun& run, const DataSetProgress& progress) {
    if (run.shardCount > 1 && run.resultFolder.empty())
        throw Error("A shard keeps its results in a result folder for the merge; name one");
    const std::vector<DataSetItem> items =
        shardOf(dataSetItems(run.pictures.size(), run.settings.curves.size()), run.shard, run.shardCount);
    if (!run.resultFolder.empty()) {
        fileManifest(run.resultFolder, manifestOf(run));
    }
    return ItemRunner(run, items, progress).run();
}

std::string workSummary(const DataSetWork& work, const std::string& resultFolder) {
    std::string summary = std::to_string(work.computed) + " items made, " + std::to_string(work.reused) +
                          " taken as they were in \"" + resultFolder + "\"";
    if (work.replaced > 0)
        summary += ", " + std::to_string(work.replaced) + " made again (made otherwise or from another picture file)";
    if (work.remade > 0) summary += ", " + std::to_string(work.remade) + " made again as asked";
    if (work.failed > 0) summary += ", " + std::to_string(work.failed) + " failed";
    if (!work.changedPictures.empty()) summary += "; " + changedPicturesText(work.changedPictures);
    return summary;
}

DataSetOutcome collectDataSet(const DataSetRun& run, const DataSetWork& work) {
    if (!holdsResults(run)) return FiledDataSet(run, work).whole();
    DataSetManifest manifest = manifestOf(run);
    std::map<std::pair<std::string, std::string>, const StoredResult*> byItem;
    for (const StoredResult& result : work.results) byItem[{result.picture, result.curve.name}] = &result;
    if (work.cancelled) std::erase_if(manifest.pictures, [&](const std::string& picture) {
        return std::any_of(manifest.curves.begin(), manifest.curves.end(),
                           [&](const CodecCurve& curve) { return !byItem.contains({picture, curve.name}); });
    });
    return assemble(manifest, [&](const std::string& picture, const CodecCurve& curve) -> const StoredResult& {
        const auto found = byItem.find({picture, curve.name});
        if (found == byItem.end()) throw Error("The run has no result for codec " + curve.name, picture);
        return *found->second;
    });
}

DataSetOutcome loadDataSet(const std::vector<std::string>& folders) {
    return FiledDataSet(folders).whole();
}

FiledDataSet::FiledDataSet(const std::vector<std::string>& folders) {
    if (folders.empty()) throw Error("Name at least one result folder");
    runs_ = folderRuns(folders);
    manifest_ = combinedManifest(runs_);
}

FiledDataSet::FiledDataSet(const DataSetRun& run, const DataSetWork& work)
    : runs_{{manifestOf(run), {run.resultFolder}}},
      manifest_(filedManifest(run, work)) {}

void FiledDataSet::forEachPicture(const std::function<void(const PictureOutcome&)>& visit) const {
    readPictures(runs_, manifest_, [&](PictureOutcome&& outcome, PictureRecords&&) { visit(outcome); });
}

DataSetOutcome FiledDataSet::whole() const { return loadPictures(runs_, manifest_); }

DataSetFigures FiledDataSet::figures(const std::string& anchor) const {
    GatheredDataSet gathered(manifest_, false, anchor);
    readPictures(runs_, manifest_, gathered);
    return {gathered.outcome(), gathered.perPicture()};
}

void FiledDataSet::writeCsv(const std::function<void(const std::string& row)>& write) const {
    write(dataSetCsvHeader(manifest_.parameters));
    forEachPicture([&](const PictureOutcome& picture) {
        writePictureCsvRows(picture, manifest_.curves, manifest_.parameters, write);
    });
}

OpenedDataSet openDataSet(const std::vector<std::string>& folders) {
    if (folders.empty()) throw Error("Name at least one result folder");
    const std::vector<FolderRun> runs = folderRuns(folders);
    const DataSetManifest whole = combinedManifest(runs);
    OpenedDataSet opened;
    opened.picturesTotal = whole.pictures.size();
    DataSetManifest manifest = whole;
    if (unfinishedAllowed(runs))
        std::erase_if(manifest.pictures, [&](const std::string& picture) {
            return !std::all_of(manifest.curves.begin(), manifest.curves.end(),
                                [&](const CodecCurve& curve) { return filed(runs, picture, curve); });
        });
    // With no picture whole, the error names the first item missing.
    opened.outcome = loadPictures(runs, manifest.pictures.empty() ? whole : manifest);
    return opened;
}

}  // namespace brenlow
