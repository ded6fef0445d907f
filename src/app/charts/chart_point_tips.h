#pragma once

#include <QPointF>
#include <QString>
#include <functional>
#include <optional>

#include "brenlow/tables.h"

class QLineSeries;

namespace brenlow {

// The quality setting that coded a codec's point of that rate, when the curves know it.
using QualityAt = std::function<std::optional<int>(const std::string& curve, double rate)>;

// "JPEG, quality 40\n0.8123 bpp\nPSNR (dB): 31.2540" for a curve's point (rate, value).
QString pointTip(const std::string& curve, std::optional<int> quality, QPointF point, CurveMeasure measure);

// While the pointer is over one of the curve's points (within a few pixels), a tooltip says what
// it is (pointTip); the curve must be in a chart.
void showPointTips(QLineSeries& line, const std::string& curve, CurveMeasure measure, const QualityAt& qualityAt);

}  // namespace brenlow
