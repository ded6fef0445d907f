#include "app/sweep_charts.h"

namespace brenlow {

QWidget* makeRateDistortionCharts(const SweepOutcome&) { return nullptr; }

}  // namespace brenlow
