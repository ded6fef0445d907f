#include "cli/dataset_commands.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <cmath>
#include <cstdio>
#include <span>
#include <thread>

#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/json_output.h"
#include "cli/printable_text.h"
#include "cli/research_commands.h"
#include "cli/run_outputs.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/folder_lock.h"

namespace brenlow::cli {
namespace {

double secondsSince(Clock::time_point started) {
    return std::chrono::duration<double>(Clock::now() - started).count();
}

std::string minutesAndSeconds(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// "done/total points, elapsed, remaining" rewritten in place on a terminal, a few times a second.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool shown) : out_(out), shown_(shown) {}
    ~ProgressLine() {
        if (printed_) out_ << '\n' << std::flush;
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void operator()(const Progress& progress) {
        if (!shown_ || (progress.done < progress.total && progress.elapsedSeconds - lastShown_ < 0.25)) return;
        lastShown_ = progress.elapsedSeconds;
        printed_ = true;
        const std::string remaining =
            progress.secondsLeft >= 0 ? minutesAndSeconds(progress.secondsLeft) + " remaining" : "";
        out_ << '\r' << progress.done << '/' << progress.total << " points, " << minutesAndSeconds(progress.elapsedSeconds)
             << " elapsed, " << remaining << "   " << std::flush;
    }

private:
    std::ostream& out_;
    bool shown_;
    bool printed_ = false;
    double lastShown_ = -1.0;
};

// Curve names may be long ("avif:speed=8:yuv=444"); the column fits the longest.
int codecColumnWidth(const DataSetOutcome& outcome) {
    std::size_t width = 6;
    for (const CodecCurve& curve : outcome.curves) width = std::max(width, printableLine(curve.name).size());
    return static_cast<int>(std::min<std::size_t>(width, 40));
}

// The aggregate points in the order the table shows them: curve by curve at qualities; target by
// target, the curves side by side, when they were coded to sizes, so that each target compares
// the codecs at one size.
std::vector<const AggregatePoint*> tableOrder(const DataSetOutcome& outcome) {
    std::vector<const AggregatePoint*> points;
    for (const AggregatePoint& point : outcome.aggregate) points.push_back(&point);
    if (!outcome.parameters.bppTargets.empty())
        std::stable_sort(points.begin(), points.end(),
                         [](const AggregatePoint* a, const AggregatePoint* b) { return a->targetBpp < b->targetBpp; });
    return points;
}

void writeAggregateTable(const DataSetOutcome& outcome, std::ostream& notes) {
    const std::vector<CurveMeasure> measures = deltaMeasuresTaken(outcome.parameters.measures);
    const bool sized = !outcome.parameters.bppTargets.empty();
    notes << "Aggregate of " << outcome.pictures.size()
          << " pictures: mean bits per pixel and mean measures, each over the pictures where it is defined"
          << (sized ? "; per size target, each picture coded at the highest quality within it (missed: pictures "
                      "whose lowest quality is larger)\n"
                    : "\n");
    char cell[64];
    const int width = codecColumnWidth(outcome);
    std::snprintf(cell, sizeof cell, "%-*s %7s %8s %10s", width, "codec", sized ? "target" : "quality", "pictures",
                  "bpp");
    notes << cell << (sized ? "   missed" : "");
    for (CurveMeasure measure : measures) {
        std::snprintf(cell, sizeof cell, " %17s", measureKey(measure));
        notes << cell;
    }
    notes << '\n';
    for (const AggregatePoint* point : tableOrder(outcome)) {
        const std::string curve = printableLine(point->curve);
        notes << curve
              << std::string(static_cast<std::size_t>(width) -
                                 std::min<std::size_t>(curve.size(), static_cast<std::size_t>(width)),
                             ' ');
        const std::string place = sized ? formatMeasure(point->targetBpp, 3) : std::to_string(point->quality);
        std::snprintf(cell, sizeof cell, " %7s %8d %10s", place.c_str(), point->pictures,
                      formatMeasure(point->bitsPerPixel, 6).c_str());
        notes << cell;
        if (sized) {
            std::snprintf(cell, sizeof cell, " %8d", point->missed);
            notes << cell;
        }
        for (CurveMeasure measure : measures) {
            std::snprintf(cell, sizeof cell, " %17s", formatMeasure(point->means[measure.index()], 4).c_str());
            notes << cell;
        }
        notes << '\n';
    }
}

void writePerPictureDeltas(const std::vector<PerPictureDeltas>& rows, const std::string& anchor, std::ostream& notes) {
    for (const PerPictureDeltas& row : rows) {
        const DeltaSummary& rate = row.rate;
        notes << "BD-rate " << printableLine(row.curve) << " against " << printableLine(anchor) << " on "
              << measureKey(row.measure) << ", " << interpolationName(row.interpolation) << ", per picture: ";
        if (rate.count == 0) {
            notes << "n/a for every picture\n";
            continue;
        }
        notes << "mean " << formatMeasure(rate.mean, 2) << " %, median " << formatMeasure(rate.median, 2) << " %, min "
              << formatMeasure(rate.min, 2) << " %, max " << formatMeasure(rate.max, 2) << " %, stdev "
              << formatMeasure(rate.stdev, 2) << " % over " << rate.count << " pictures";
        if (rate.leftOut > 0) notes << " (" << rate.leftOut << " n/a left out)";
        notes << '\n';
    }
}

void writeTextFile(const std::string& path, const std::string& text) {
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// All a data set prints but its points: the aggregate CSV file, the notes (not with --json), the
// timing warnings and the failed items, from an outcome that need not hold its pictures' points;
// the per-picture deltas are asked for only when shown.
CommandOutput figuresOutput(const Request& request, const DataSetOutcome& figures, const std::string& anchor,
                            const std::vector<ImportedCurve>& imported,
                            const std::function<std::vector<PerPictureDeltas>()>& perPicture, std::ostream& notes,
                            const std::string& timingSaidFor) {
    checkImportNames(imported, figures.curves);
    if (!request.aggregateCsvPath.empty()) writeTextFile(request.aggregateCsvPath, aggregateCsv(figures));
    if (!request.json && !request.quiet) {
        writeAggregateTable(figures, notes);
        notes << "On the aggregate curves:\n";
        writeDeltaRates(aggregateDeltaTable(figures, anchor), anchor, notes);
        writeDeltaRates(importedDeltaTable(figures, anchor, imported), anchor, notes);
        writePerPictureDeltas(perPicture(), anchor, notes);
    }
    if (!request.quiet)
        for (const std::string& warning : timingWarnings(figures.timedRuns, timingSaidFor)) notes << warning << '\n';
    CommandOutput output;
    output.failedItems = writeFailedItems(figures.failed, notes);
    return output;
}

// A fault of the folders is told before a wrong --anchor, as when the data set was read whole first.
std::string anchorOfFiled(const Request& request, const FiledDataSet& dataSet) {
    try {
        return anchorOf(sweepRequestOf(request), dataSet.curves());
    } catch (const UsageError&) {
        dataSet.forEachPicture([](const PictureOutcome&) {});
        throw;
    }
}

}  // namespace

CommandOutput dataSetOutput(const Request& request, DataSetOutcome outcome,
                            const std::vector<ImportedCurve>& imported, Clock::time_point started,
                            std::ostream& notes, const std::string& timingSaidFor) {
    const std::string anchor = anchorOf(sweepRequestOf(request), outcome.curves);
    CommandOutput output = figuresOutput(
        request, outcome, anchor, imported, [&] { return perPictureDeltaTable(outcome, anchor); }, notes,
        timingSaidFor);
    if (request.json) {
        output.text = jsonLine(dataSetJson(outcome, anchor, imported, secondsSince(started)));
        return output;
    }
    // The rows are printed as they are made: a large data set's table is never held whole.
    output.pieces = [kept = std::make_shared<const DataSetOutcome>(std::move(outcome))](const auto& print) {
        writeDataSetCsv(*kept, print);
    };
    return output;
}

CommandOutput dataSetOutput(const Request& request, std::shared_ptr<const LockedDataSet> filed,
                            const std::vector<ImportedCurve>& imported, Clock::time_point started,
                            std::ostream& notes, const std::string& timingSaidFor) {
    if (request.json) return dataSetOutput(request, filed->dataSet.whole(), imported, started, notes, timingSaidFor);
    const std::string anchor = anchorOfFiled(request, filed->dataSet);
    const DataSetFigures figures = filed->dataSet.figures(anchor);
    CommandOutput output = figuresOutput(
        request, figures.outcome, anchor, imported, [&] { return figures.perPicture; }, notes, timingSaidFor);
    // Read again as they are printed, the folders still locked.
    output.pieces = [filed = std::move(filed)](const auto& print) { filed->dataSet.writeCsv(print); };
    return output;
}

namespace {

void writeRunNotes(const DataSetRun& run, const DataSetWork& work, std::ostream& notes) {
    for (const std::string& change : work.codecChanges) notes << printableLine(change) << '\n';
    if (run.shardCount > 1) notes << "Shard " << run.shard << " of " << run.shardCount << ": ";
    notes << workSummary(work, run.resultFolder) << '\n';
    if (run.shardCount > 1)
        notes << "When every shard is done: brenlow-cli merge DIR... with each shard's result folder\n";
}

// The curve and the reason, naming the picture once: after the curve, or where the reason quotes it
// itself. The picture a reason ends with (": \"set/a.png\"") goes, the line having named it.
std::string failedItemLine(const FailedItem& item) {
    const std::string picture = "\"" + item.picture + "\"";
    std::string reason = item.reason;
    if (reason.ends_with(": " + picture)) reason.resize(reason.size() - picture.size() - 2);
    const std::string curve = printableLine(item.curve);
    if (reason.find(picture) != std::string::npos) return curve + ": " + printableLines(reason);
    return curve + " on \"" + printableLine(item.picture) + "\": " + printableLines(reason);
}

}  // namespace

// Failed items are errors, so --quiet keeps them; they come last, where a long run's end is read.
std::size_t writeFailedItems(const std::vector<FailedItem>& failed, std::ostream& notes) {
    if (failed.empty()) return 0;
    notes << failed.size() << (failed.size() == 1 ? " item" : " items") << " failed, left out of every figure:\n";
    for (const FailedItem& item : failed) notes << "  " << failedItemLine(item) << '\n';
    return failed.size();
}

std::vector<std::unique_ptr<FolderLock>> lockedForReading(const std::vector<std::string>& folders) {
    std::vector<std::unique_ptr<FolderLock>> locks;
    for (const std::string& folder : folders)
        locks.push_back(std::make_unique<FolderLock>(folder, FolderLock::Use::Reading));
    return locks;
}

void checkImportNames(const std::vector<ImportedCurve>& curves, const std::vector<CodecCurve>& runCurves) {
    for (auto curve = curves.begin(); curve != curves.end(); ++curve) {
        for (auto earlier = curves.begin(); earlier != curve; ++earlier)
            if (earlier->name == curve->name)
                throw UsageError("--import: two curves are named \"" + curve->name +
                                 "\"; give one of them another name");
        if (findCurve(runCurves, curve->name) != nullptr)
                throw UsageError("--import: the curve \"" + curve->name +
                                 "\" is named like a codec of the run; give it another name");
    }
}

std::vector<ImportedCurve> importedCurves(const Request& request) {
    std::vector<ImportedCurve> curves;
    for (const std::string& path : request.importFiles) curves.push_back(readImportedCurve(path));
    return curves;
}

CommandOutput runDataSetSweep(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    // A bad curve file is found before the run, not after it.
    const std::vector<ImportedCurve> imported = importedCurves(request);
    DataSetRequest asked;
    asked.pictures = request.files;
    asked.sweep = sweepRequestOf(request);
    asked.resultFolder = request.resultFolder;
    asked.shard = request.shard;
    asked.shardCount = request.shardCount;
    asked.remake = request.remakeCurves;
    asked.keepDecoded = request.keepDecoded;
    RunControl control;
    control.jobs = request.sweepJobs;
    const DataSetPlan plan = planDataSet(asked, control);
    const DataSetRun& run = plan.run;
    if (!request.quiet)
        for (const std::string& entry : plan.leftOut) notes << "Left out of the data set: " << printableLine(entry) << '\n';
    std::vector<std::string> resultFolders;
    if (!request.resultFolder.empty()) resultFolders.push_back(request.resultFolder);
    checkDataSetOutputs(request, dataSetInputs(request, run.pictures, resultFolders));
    checkImportNames(imported, run.settings.curves);
    // Fewer items than -j cannot share the cores with one another.
    writeTimingNotes(request, static_cast<int>(std::min<std::size_t>(plan.items, static_cast<std::size_t>(run.jobs))),
                     "items", notes);
    DataSetRunOutcome done;
    {
        ProgressLine progress(notes, !request.quiet && isatty(STDERR_FILENO) == 1);
        control.progress = std::ref(progress);
        done = runDataSet(plan, control, DataSetReadBack::APictureAtATime);
    }
    if (!request.quiet && !run.resultFolder.empty()) writeRunNotes(run, done.work, notes);
    if (run.shardCount > 1) return {{}, writeFailedItems(done.work.failedItems, notes), {}};
    if (done.filed)
        return dataSetOutput(request, std::move(done.filed), imported, started, notes, done.work.timedRun.started);
    return dataSetOutput(request, std::move(done.outcome), imported, started, notes, done.work.timedRun.started);
}

CommandOutput runMergeCommand(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    const std::vector<ImportedCurve> imported = importedCurves(request);
    auto locks = lockedForReading(request.files);
    checkDataSetOutputs(request, dataSetInputs(request, {}, request.files));
    auto filed = std::make_shared<const LockedDataSet>(LockedDataSet{std::move(locks), FiledDataSet(request.files)});
    return dataSetOutput(request, std::move(filed), imported, started, notes);
}

}  // namespace brenlow::cli
