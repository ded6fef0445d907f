#include "brenlow/deltas.h"

#include <vector>

#include "io/error.h"

namespace brenlow {
namespace {

std::string curveMeasureKeys() {
    std::string keys;
    for (CurveMeasure measure : curveMeasures()) keys += (keys.empty() ? "" : ", ") + std::string(measureKey(measure));
    return keys;
}

}  // namespace

CurveDeltas curveDeltasNamed(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                             const std::string& measure, const std::string& method) {
    const std::optional<CurveMeasure> curveMeasure = curveMeasureNamed(measure);
    if (!curveMeasure)
        throw UsageError("\"" + measure + "\" is not a measure delta rates are taken on; those are " + curveMeasureKeys());
    const std::optional<BdInterpolation> interpolation = interpolationNamed(method);
    if (!interpolation)
        throw UsageError("\"" + method + "\" is not a way to draw the curves; those are " +
                         interpolationName(BdInterpolation::Pchip) + " and " + interpolationName(BdInterpolation::Cubic));
    return curveDeltas({anchor.begin(), anchor.end()}, {test.begin(), test.end()}, *curveMeasure, *interpolation);
}

}  // namespace brenlow
