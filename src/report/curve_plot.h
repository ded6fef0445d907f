#pragma once

#include <string>
#include <vector>

#include "report/plot_layout.h"

namespace brenlow {

// The curves as one SVG element (no XML prolog, so it can sit inside an HTML page), `width` x
// `height` pixels: the title, the axes with round ticks and their titles, a grid, a legend, each
// curve in the colour of its place in `curves` with a mark on every finite point, dashed curves
// dashed. Names and titles are shown as typed. Needs no display and no Qt.
std::string curvePlotSvg(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                         const std::string& yTitle, int width = 580, int height = 400);

}  // namespace brenlow
