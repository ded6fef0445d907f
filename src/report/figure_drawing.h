#pragma once

#include <vector>

#include "report/curve_styles.h"
#include "report/plot_canvas.h"
#include "report/plot_layout.h"

namespace brenlow {

// The shape of a marker `size` across about `centre`: a filled outline, or for the cross and the
// plus two strokes from `strokes[0]` to `strokes[1]` and `strokes[2]` to `strokes[3]`.
struct MarkerOutline {
    bool isCircle = false;
    std::vector<PlotPoint> corners;
    std::vector<PlotPoint> strokes;
};
MarkerOutline markerOutline(MarkerShape shape, PlotPoint centre, double size);

// Paints a laid-out plot on any canvas the same way: white ground, grid, ticks, axis titles, then
// each curve in its style (line, error bars, markers) with its legend line; `styles` in the order
// of the layout's curves. Line widths and marker sizes scale with the tick labels' font size.
void drawStyledPlot(PlotCanvas& canvas, const PlotLayout& layout, const std::vector<CurveStyle>& styles);

}  // namespace brenlow
