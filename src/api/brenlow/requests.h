#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "brenlow/run_control.h"
#include "catalogue/codec_curve.h"
#include "experiments/sweep.h"
#include "measures/measures.h"

namespace brenlow {

// A rate-distortion sweep as a researcher asks for it, every default here and nowhere else: the
// command line, the workbench and Python start from the same request.
struct SweepRequest {
    std::vector<std::string> curves{"jpeg", "avc", "ajc"};  // NAME[:KEY=VALUE]...[:label=TEXT]
    std::vector<int> qualities{10, 20, 30, 40, 50, 60, 70, 80, 90};
    std::vector<std::string> qualitiesFor;  // CURVE=QUALITIES: a curve's own qualities
    std::vector<double> bppTargets;         // sizes to code each picture to, instead of the qualities
    MeasureChoice measures;                 // the optional measures taken: the measure table's defaults
    int divisorCode = 2;                    // the AVC and AJC commands' divisor and focus, for curves that
    int focus = 2;                          // do not name their own
    int timingRuns = 1;                     // codings and decodings of each point timed; the medians kept
    std::optional<std::string> anchor;      // unset: jpeg when swept, else the first curve
};

// The optional measures a choice takes, by the measure table's names and in its order.
std::vector<std::string> measureNamesOf(const MeasureChoice& choice);

// Every measure the table has: what an evaluation takes unless asked for fewer.
MeasureChoice everyMeasure();

// The optional measures these names take, as --measures names them; "none" takes none on its own.
// Throws UsageError naming one that is not an optional measure, with the names there are.
MeasureChoice measureChoiceNamed(const std::vector<std::string>& names);

// The run defaults a request gives the curves that take a divisor and a focus.
RunDefaults runDefaultsOf(const SweepRequest& request);

// Gives the curves named in CURVE=QUALITIES texts their own qualities. Throws Error naming a text
// that does not read, a curve that is not one of `curves`, or one given its qualities twice.
void withOwnQualities(std::vector<CodecCurve>& curves, const std::vector<std::string>& qualitiesFor);

// The curves of the request, each at its own qualities where it names them. Throws Error naming a
// curve that does not read, one given twice, or a CURVE=QUALITIES that names no curve.
std::vector<CodecCurve> curvesOf(const SweepRequest& request);

// The sweep's settings: the curves, qualities or sizes, measures, divisor and focus, timing runs.
// Points timed more than once are coded one at a time, so that they do not share the cores.
SweepSettings sweepSettingsOf(const SweepRequest& request);

// The curve delta rates are taken against: the one the request names (throws UsageError naming
// the run's curves when none matches), else jpeg's when swept, else the first curve; "" for none.
std::string anchorOf(const SweepRequest& request, const std::vector<CodecCurve>& curves);

// The same rule for curves read back from result folders, whose request is not known.
std::string anchorOf(const std::optional<std::string>& asked, const std::vector<CodecCurve>& curves,
                     const RunDefaults& defaults = {});

// A data set: pictures, folders or patterns, swept as one request, into a result folder or in memory.
struct DataSetRequest {
    std::vector<std::string> pictures;
    SweepRequest sweep;
    std::string resultFolder;  // empty: in memory only
    int shard = 1;             // shard I of N; above one only with a result folder
    int shardCount = 1;
    std::vector<std::string> remake;  // curves, by name or codec and settings, whose items are made again
    bool keepDecoded = false;  // every point's decoded picture kept in the result folder
};

// The names of the curves that `asked` names (as --anchor names one). Throws UsageError naming one
// that is not a curve of the run, and the run's curves.
std::set<std::string> curvesToRemake(const std::vector<std::string>& asked, const std::vector<CodecCurve>& curves,
                                     const RunDefaults& defaults);

}  // namespace brenlow
