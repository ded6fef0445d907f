#pragma once

#include <span>
#include <string>

// Bjontegaard deltas as the delta-rate tables take them (CurveDeltas: the rate in per cent, the
// quality in the measure's unit).
#include "experiments/bd_rate.h"
#include "experiments/sweep_report.h"

namespace brenlow {

// The deltas of `test` against `anchor`, each a curve of (bits per pixel, measure) points, on the
// curve measure of that key ("psnr", "ssim_y_db", "ciede2000", ...) with the interpolation of that
// name ("pchip" or "cubic"). Throws UsageError naming a measure or method that is not one, with
// the choices.
CurveDeltas curveDeltasNamed(std::span<const RatePoint> anchor, std::span<const RatePoint> test,
                             const std::string& measure, const std::string& method);

}  // namespace brenlow
