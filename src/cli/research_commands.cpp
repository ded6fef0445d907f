#include "cli/research_commands.h"

#include <cmath>

#include "brenlow/measures.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "cli/dataset_commands.h"
#include "cli/json_output.h"
#include "cli/printable_text.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow::cli {
namespace {

double secondsSince(Clock::time_point started) {
    return std::chrono::duration<double>(Clock::now() - started).count();
}

std::string measuresLine(const PictureMeasures& m) {
    std::string line;
    for (const MeasureRow& row : measureTable())
        line += (line.empty() ? "" : " ") + std::string(row.lineName) + "=" + formatMeasure(row.of(m), row.decimals) + ";";
    return line;
}

std::string sizeText(QSize size) { return std::to_string(size.width()) + " x " + std::to_string(size.height()); }

std::string signedMeasure(double value, int decimals) {
    return (value > 0 ? "+" : "") + formatMeasure(value, decimals);
}

std::string overlapWarning(const DeltaRow& row, const std::string& anchor, const std::string& test) {
    if (!row.rate.weakOverlap) return {};
    return " (warning: the curves share " + formatMeasure(100.0 * row.rate.sharedFractionAnchor, 0) + " % of " +
           printableLine(anchor) + "'s range and " + formatMeasure(100.0 * row.rate.sharedFractionTest, 0) + " % of " +
           printableLine(test) + "'s)";
}

// A curve that failed on the one picture is that picture's failed item, named as a data set names it.
std::vector<FailedItem> failedItemsOf(const SweepOutcome& outcome, const std::string& picture) {
    std::vector<FailedItem> failed;
    for (const FailedCurve& curve : outcome.failedCurves)
        failed.push_back({picture, curve.curve, curve.error.concerning(picture).what()});
    return failed;
}

}  // namespace

void writeDeltaRates(const std::vector<DeltaRow>& rows, const std::string& anchor, std::ostream& notes) {
    for (const DeltaRow& row : rows) {
        notes << "BD-rate " << printableLine(row.curve) << " against " << printableLine(anchor) << " on "
              << measureKey(row.measure) << ", " << interpolationName(row.interpolation) << ": ";
        if (std::isnan(row.rate.value)) {
            notes << "n/a (too few points, or no shared interval)\n";
            continue;
        }
        notes << signedMeasure(row.rate.value, 2) << " %, BD-" << measureKey(row.measure) << " "
              << signedMeasure(row.quality.value, 4) << overlapWarning(row, anchor, row.curve)
              << (row.decibelsOfMeanLinear ? " (the anchor's dB of its mean linear value, as the import averages)" : "")
              << "\n";
    }
}

MeasureChoice measureChoiceOf(const Request& request) { return measureChoiceNamed(request.measures); }

SweepRequest sweepRequestOf(const Request& request) {
    SweepRequest sweep;
    sweep.curves = request.codecs;
    sweep.qualities = request.qualities;
    sweep.qualitiesFor = request.qualitiesFor;
    sweep.bppTargets = request.bppTargets;
    sweep.measures = measureChoiceOf(request);
    sweep.divisorCode = request.divisor;
    sweep.focus = request.focus;
    sweep.timingRuns = request.timingRuns;
    if (request.anchorGiven) sweep.anchor = request.anchor;
    return sweep;
}

std::string stillRunJsonLine(const Request& request, const StillParameters& parameters, const DocumentView& document,
                             const StillRunResult& result, Clock::time_point started) {
    const QImage reference = referencePictureFor(codecOf(request.subcommand), document);
    const StillMeasures measures = measureStill(reference, result.decoded.bitmap, result.figures.codedSize);
    QJsonObject object = stillRunJson(request, parameters, result, measures, secondsSince(started));
    addColourJson(object, reference);
    return jsonLine(object);
}

std::string anchorRunJsonLine(const Request& request, const CodecEntry& codec, const StillParameters& parameters,
                              const DocumentView& document, const StillRunResult& result, Clock::time_point started) {
    const QImage reference = referencePictureFor(codec, document);
    const StillMeasures measures = measureStill(reference, result.decoded.bitmap, result.figures.codedSize);
    QJsonObject object = anchorRunJson(request, codec, parameters, result, measures, secondsSince(started));
    addColourJson(object, reference);
    return jsonLine(object);
}

std::string runCompareCommand(const Request& request, std::ostream& notes) {
    const Clock::time_point started = Clock::now();
    const auto [reference, compared] = readPicturePair(request.file, request.secondFile);
    // Pictures of two sizes are measured over their common area, which a reader must not take for the whole.
    if (reference.size() != compared.size())
        notes << "The pictures differ in size: \"" << request.file << "\" is " << sizeText(reference.size()) << ", \""
              << request.secondFile << "\" " << sizeText(compared.size()) << "; measured over the "
              << sizeText(reference.size().boundedTo(compared.size())) << " they share, from the bottom-left corner\n";
    const PictureMeasures measures = measurePictures(reference, compared, measureChoiceOf(request));
    if (!request.json) return measuresLine(measures);
    QJsonObject object = compareJson(request, measures, reference.size(), compared.size(), secondsSince(started));
    addColourJson(object, reference, compared);
    return jsonLine(object);
}

void writeTimingNotes(const Request& request, int codingsAtOnce, const std::string& unit, std::ostream& notes) {
    if (request.quiet) return;
    if (request.timingRuns > 1)
        notes << "Timing: each point coded and decoded " << request.timingRuns
              << " times, a picture's points one after another, each codec on " << kTimedCodecThreads
              << " thread; the medians of wall-clock and CPU seconds are given\n";
    if (codingsAtOnce > 1) notes << sharedCoresWarning(codingsAtOnce, unit) << '\n';
}

CommandOutput runSweepCommand(const Request& request, std::ostream& notes) {
    if (asksForDataSet(request.files) || !request.resultFolder.empty() || request.shardCount > 1)
        return runDataSetSweep(request, notes);
    // A pattern that matches nothing is said to be one, not reported as a missing file.
    if (!fileExists(request.files.front()) && request.files.front().find_first_of("*?[") != std::string::npos)
        expandPictureArguments(request.files);
    const Clock::time_point started = Clock::now();
    Request single = request;
    single.file = request.files.front();
    const PictureDocument document = openPictureDocument(single.file, false);
    PictureSweep sweep = preparePictureSweep(document.view(), sweepRequestOf(single));
    RunControl control;
    control.jobs = request.sweepJobs;
    runPictureSweep(sweep, control);
    writeTimingNotes(single, sweep.outcome.timedRun.codingsAtOnce, "points", notes);
    const SweepSettings& settings = sweep.settings;
    const SweepSource& source = sweep.source;
    const SweepOutcome& outcome = sweep.outcome;
    const std::string& anchor = sweep.anchor;
    const std::vector<FailedItem> failed = failedItemsOf(outcome, single.file);
    CommandOutput output;
    if (single.json) {
        QJsonObject object = sweepJson(single, source, outcome, anchor, settings.measures, secondsSince(started));
        if (!failed.empty()) object["failed"] = failedItemsJson(failed);
        output.text = jsonLine(object);
    } else {
        if (!single.quiet)
            writeDeltaRates(deltaTable(outcome, anchor, deltaMeasuresTaken(settings.measures)), anchor, notes);
        output.text = sweepCsv(outcome);
    }
    output.failedItems = writeFailedItems(failed, notes);
    return output;
}

}  // namespace brenlow::cli
