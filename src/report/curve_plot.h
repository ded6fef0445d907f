#pragma once

#include <string>
#include <vector>

#include "experiments/bd_rate.h"

namespace brenlow {

// One line of a plot: its legend name and its points in order; non-finite points are left out.
struct PlotCurve {
    std::string name;
    std::vector<RatePoint> points;
    bool dashed = false;  // published curves, told apart from those measured here
};

// The curves as one SVG element (no XML prolog, so it can sit inside an HTML page), `width` x
// `height` pixels, with the axes' titles, drawn by Qt Charts. Each curve keeps the colour of its
// place in `curves`. Needs a QApplication.
std::string curvePlotSvg(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                         const std::string& yTitle, int width = 580, int height = 400);

}  // namespace brenlow
