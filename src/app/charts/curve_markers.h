#pragma once

#include <QColor>
#include <QImage>
#include <QPen>

#include "report/curve_styles.h"

namespace brenlow {

// The point marker of a curve drawn in the charts: its shape filled (or stroked, for the cross and
// the plus) in its colour, `size` pixels across, on a transparent ground.
QImage curveMarkerImage(MarkerShape shape, const QColor& colour, int size);

// The pen of a curve's line: its colour and dash, `width` pixels wide.
QPen curvePen(const CurveStyle& style, int width);

}  // namespace brenlow
