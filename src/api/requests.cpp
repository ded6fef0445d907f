#include "brenlow/requests.h"

#include "codecs/field_rules.h"
#include "experiments/quality_list.h"
#include "io/error.h"
#include "measures/measure_table.h"

namespace brenlow {

void withOwnQualities(std::vector<CodecCurve>& curves, const std::vector<std::string>& qualitiesFor) {
    for (const std::string& text : qualitiesFor) {
        const std::size_t equals = text.rfind('=');
        if (equals == std::string::npos || equals == 0)
            throw Error("\"" + text + "\" is not CURVE=QUALITIES, as in jp2=5:60:5");
        const std::string named = text.substr(0, equals);
        const std::optional<std::string> curve = curveMatching(named, curves);
        if (!curve) throw Error("\"" + named + "\" is not one of the run's codecs: " + curveNamesText(curves));
        const std::string qualities = text.substr(equals + 1);
        if (const std::string problem = qualitiesProblem(qualities); !problem.empty())
            throw Error(named + ": " + problem);
        for (CodecCurve& each : curves)
            if (each.name == *curve) {
                if (!each.qualities.empty()) throw Error("\"" + named + "\" is given its qualities twice");
                each.qualities = parseQualities(qualities);
            }
    }
}

std::vector<std::string> measureNamesOf(const MeasureChoice& choice) {
    std::vector<std::string> names;
    for (const OptionalMeasure& measure : optionalMeasures())
        if (choice.takes(measure.name)) names.emplace_back(measure.name);
    return names;
}

MeasureChoice everyMeasure() {
    MeasureChoice choice;
    for (const OptionalMeasure& measure : optionalMeasures()) choice.take(measure.name, true);
    return choice;
}

MeasureChoice measureChoiceNamed(const std::vector<std::string>& names) {
    MeasureChoice choice = MeasureChoice::none();
    for (const std::string& name : names) {
        if (name == "none") continue;
        if (optionalMeasureNamed(name) == nullptr) {
            std::string known;
            for (const OptionalMeasure& measure : optionalMeasures()) known += std::string(measure.name) + ", ";
            throw UsageError("\"" + name + "\" is not one of " + known + "none");
        }
        choice.take(name);
    }
    return choice;
}

RunDefaults runDefaultsOf(const SweepRequest& request) { return runDefaultsOf(request.divisorCode, request.focus); }

std::vector<CodecCurve> curvesOf(const SweepRequest& request) {
    std::vector<CodecCurve> curves = curvesNamed(request.curves, runDefaultsOf(request));
    withOwnQualities(curves, request.qualitiesFor);
    return curves;
}

SweepSettings sweepSettingsOf(const SweepRequest& request) {
    SweepSettings settings;
    settings.curves = curvesOf(request);
    settings.qualities = request.qualities;
    settings.bppTargets = request.bppTargets;
    settings.divisor = divisorFor(request.divisorCode, Command::AvcStill);
    settings.passes = focusFor(request.focus);
    settings.measures = request.measures;
    settings.timingRuns = request.timingRuns;
    if (request.timingRuns > 1) settings.threads = 1;
    return settings;
}

std::string anchorOf(const std::optional<std::string>& asked, const std::vector<CodecCurve>& curves,
                     const RunDefaults& defaults) {
    if (asked) {
        if (const std::optional<std::string> anchor = curveMatching(*asked, curves, defaults)) return *anchor;
        throw UsageError("--anchor: \"" + *asked + "\" is not one of the run's codecs: " + curveNamesText(curves));
    }
    if (const std::optional<std::string> jpeg = curveMatching("jpeg", curves, defaults)) return *jpeg;
    return curves.empty() ? std::string() : curves.front().name;
}

std::string anchorOf(const SweepRequest& request, const std::vector<CodecCurve>& curves) {
    return anchorOf(request.anchor, curves, runDefaultsOf(request));
}

std::set<std::string> curvesToRemake(const std::vector<std::string>& asked, const std::vector<CodecCurve>& curves,
                                     const RunDefaults& defaults) {
    std::set<std::string> names;
    for (const std::string& text : asked) {
        const std::optional<std::string> name = curveMatching(text, curves, defaults);
        if (!name)
            throw UsageError("--remake: \"" + text + "\" is not one of the run's codecs: " + curveNamesText(curves));
        names.insert(*name);
    }
    return names;
}

}  // namespace brenlow
