#pragma once

#include <QString>
#include <functional>

class QAbstractSeries;
class QChart;

namespace brenlow {

// Clicking a legend entry hides its curve, or shows it again; the entry stays, dimmed while its
// curve is hidden. `changed` hears the curve's name and whether it is now shown.
void letLegendHideCurves(QChart& chart, std::function<void(const QString& name, bool shown)> changed = {});

// Shows or hides a curve of `chart`, keeping its legend entry in view.
void showCurve(QChart& chart, QAbstractSeries& series, bool shown);

}  // namespace brenlow
