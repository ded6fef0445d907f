#pragma once

#include <vector>

#include "app/charts/chart_point_tips.h"
#include "brenlow/tables.h"

class QWidget;

namespace brenlow {

// The measures of which the sweep holds at least one value, in the order of curveMeasures():
// a measure left out of the sweep, or not measurable on its picture, has none.
std::vector<CurveMeasure> measuresHeld(const SweepOutcome& outcome);

// The rate-distortion charts of a sweep, one curve per codec: bits per pixel against PSNR
// ("PsnrChart") beside bits per pixel against the measure chosen in "ChartMeasure"
// ("MeasureChart"), which offers the measures held and starts on MS-SSIM in dB when it was taken.
// The charts read `outcome` whenever the measure changes: it must outlive them.
QWidget* makeRateDistortionCharts(const SweepOutcome& outcome);

// The names of the curves, in their order.
std::vector<std::string> curveNames(const std::vector<CodecCurve>& curves);

// The same charts of any curves, named in their order, the measures offered in
// "ChartMeasure". "ChartLogRate" puts bits per pixel on a log scale in both; a click on a legend
// entry hides that curve, or shows it again; hovering a point tells its codec, quality (from
// `qualityAt`, when given), bits per pixel and value. The two charts are "ChartPair", what an image
// export draws. The curves are read whenever the measure changes: what they read must outlive the charts.
QWidget* makeRateDistortionCharts(const std::vector<std::string>& curveNames, const std::vector<CurveMeasure>& measures,
                                  const CurveSource& curves, const QualityAt& qualityAt = {});

}  // namespace brenlow
