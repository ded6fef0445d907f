#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "experiments/dataset_tally.h"
#include "results/dataset_store.h"

namespace brenlow {

// One picture with one curve: what a data set is run, resumed and shared out by.
struct DataSetItem {
    std::size_t picture = 0;  // index into the data set's pictures
    std::size_t curve = 0;    // index into its curves
};

// The items of `pictures` pictures and `curves` curves in their stable order: picture by picture,
// curves within.
std::vector<DataSetItem> dataSetItems(std::size_t pictures, std::size_t curves);

// Shard `shard` of `count` (1-based): item k of dataSetItems (from 0) goes to shard k mod count + 1,
// so the shards are disjoint, cover every item and each gets a mix of pictures and curves.
std::vector<DataSetItem> shardOf(const std::vector<DataSetItem>& items, int shard, int count);

// A data set to run.
struct DataSetRun {
    std::vector<std::string> pictures;
    SweepSettings settings;
    LibraryVersions versions;
    std::string resultFolder;  // empty: the results are held in memory only
    int shard = 1;
    int shardCount = 1;  // above 1 only with a result folder
    int jobs = 1;        // items coded at a time, each on a thread of its own
    std::set<std::string> remakeCurves;  // by name: their items are made again whatever the folder holds
    // Every point's decoded picture kept in the result folder as a PNG, whatever its codec; those of
    // codecs run by commands are kept in any case.
    bool keepDecoded = false;
    // Whether the work holds every item's whole result. A run into a result folder whose caller reads
    // the data set back from there leaves it off: each item is dropped once filed, so that the run's
    // memory does not grow with its items. Without a result folder the results are always held.
    bool holdResults = true;
};

// Whether a run's work holds every item's whole result: always without a result folder.
bool holdsResults(const DataSetRun& run);

// Called with the points done and the total, the item whose point that was ("jpeg on set/a.png")
// and every item under way then, named alike in the order the run takes them, from the working
// threads but one call at a time; returning false stops the run once the items under way notice it.
using DataSetProgress =
    std::function<bool(int done, int total, const std::string& item, const std::vector<std::string>& running)>;

// What a run did with its items.
struct DataSetWork {
    // The shard's items in order; after a cancel only those finished; none when a run into a result
    // folder does not hold them (holdResults).
    std::vector<StoredResult> results;
    std::vector<FailedItem> failedItems;  // the items that failed, in the items' order
    // By the run's pictures: whether every item of the picture in the shard finished.
    std::vector<bool> picturesFinished;
    int computed = 0;                   // coded and measured now
    int reused = 0;                     // found in the result folder as they were made
    int replaced = 0;                   // found there but made otherwise, made again
    int remade = 0;                     // found there as they were made, made again as asked
    int failed = 0;                     // could not be made: their results hold the reason, no points
    std::vector<std::string> changedPictures;  // whose file changed since their stored results were made
    bool cancelled = false;             // stopped before every item was finished
    TimedRun timedRun;                  // how this run timed the items it made
    // One sentence for each codec described by commands, or handed in by a caller, whose results in
    // the folder were made by other programs, files or version than the run's, naming what changed;
    // by the codecs' names.
    std::vector<std::string> codecChanges;
};

// Runs the shard's items, `jobs` at a time, until the end or until the progress stops it: the items
// finished by then are kept and counted, those under way are dropped. With a result folder, the
// manifest is written first; an item whose file there was made from the same picture file (size,
// modification time and the digest of its pixels) with the same curve (codec, settings, qualities),
// parameters and library versions (its own codec's commands and fingerprint, or the version a
// caller gave its codec, among them, not the other curves') is taken as it stands, unless its curve is one of the run's remakeCurves; every
// other item is made and filed whole as soon as it is done (over what the folder held), so a run
// stopped at any moment loses only the items under way. An item whose picture cannot be read or coded is recorded (and
// filed) with the reason and no points, and the run goes on; such a record is made again by the
// next run. Throws Error when the result folder cannot be written; the items filed until then stay.
DataSetWork runDataSetItems(const DataSetRun& run, const DataSetProgress& progress = {});

// What a run into a result folder did with its items, as the front ends report it: "12 items made,
// 3 taken as they were in "FOLDER", 1 made again (...), 4 made again as asked, 2 failed", then the
// pictures that changed. The codecChanges are said apart.
std::string workSummary(const DataSetWork& work, const std::string& resultFolder);

// The whole data set of an unsharded run's results, read back from its result folder when the work
// does not hold them. Of a cancelled run, a partial data set: the pictures whose every item finished
// (failed ones included), with all the curves, in the run's order, so that every curve is averaged
// over the same pictures; no picture when none finished.
DataSetOutcome collectDataSet(const DataSetRun& run, const DataSetWork& work);

// The whole data set from the result folders of one or more runs or shards, each item taken from
// the first folder of its run that has it; the failed items recorded there are in `failed`. Folders
// of the same curves are shards of one run; runs of other curves over the same pictures join as
// more curves, each at its own run's qualities, with only the measures every run took. Throws
// Error when shards' manifests differ, when runs differ in pictures or share a curve's name, when
// a result was made with other parameters than its manifest's or holds other points than one per
// quality, or when an item is in none of them (naming it).
DataSetOutcome loadDataSet(const std::vector<std::string>& folders);

// What the notes of a data set read: the data set as loadDataSet gives it but without its
// pictures' points (`outcome.outcomes` empty), and the per-picture delta rows against the anchor,
// their summaries alone (PerPictureDeltaTally not detailed).
struct DataSetFigures {
    DataSetOutcome outcome;
    std::vector<PerPictureDeltas> perPicture;
};

// A data set left in its result folders and read from them a picture at a time, as often as asked,
// so that a large one is never held whole; each reading gives what loadDataSet (or collectDataSet,
// of a run) gives and throws Error as that does. Nothing here locks the folders.
class FiledDataSet {
public:
    // The result folders of one run: its shards, all with the same manifest.
    struct Run {
        DataSetManifest manifest;
        std::vector<std::string> folders;
    };

    // loadDataSet's data set of the folders. Throws Error as that does for their manifests.
    explicit FiledDataSet(const std::vector<std::string>& folders);
    // collectDataSet's data set of an unsharded run into a result folder that did not hold its results.
    FiledDataSet(const DataSetRun& run, const DataSetWork& work);

    // The pictures with every curve, in order, and the curves.
    const std::vector<std::string>& pictures() const { return manifest_.pictures; }
    const std::vector<CodecCurve>& curves() const { return manifest_.curves; }
    // Each picture's outcome in order, one read at a time.
    void forEachPicture(const std::function<void(const PictureOutcome&)>& visit) const;
    DataSetOutcome whole() const;
    DataSetFigures figures(const std::string& anchor) const;
    // writeDataSetCsv's rows of the whole data set.
    void writeCsv(const std::function<void(const std::string& row)>& write) const;

private:
    std::vector<Run> runs_;
    DataSetManifest manifest_;  // the runs' combined one, or the pictures of it a cancelled run finished
};

// The data set of result folders to look at, which may be unfinished.
struct OpenedDataSet {
    DataSetOutcome outcome;
    std::size_t picturesTotal = 0;  // the pictures of the whole data set
    bool partial() const { return outcome.pictures.size() < picturesTotal; }
};

// loadDataSet's data set; or, when no two folders are shards of one run and some items are not
// filed yet (a run stopped before its end), the partial data set of the pictures whose every item
// is filed, as a cancelled run gives it. Throws Error as loadDataSet does: for shards of one run
// that lack an item, and when no picture has all its items.
OpenedDataSet openDataSet(const std::vector<std::string>& folders);

}  // namespace brenlow
