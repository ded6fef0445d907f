#pragma once

#include <string>
#include <vector>

#include "experiments/bd_rate.h"

// Where everything of a rate-quality plot goes, in pixels, before any output format is chosen: the
// SVG of the report draws it, and other outputs can draw the same layout.

namespace brenlow {

// One line of a plot: its legend name and its points in order; non-finite points are left out.
struct PlotCurve {
    std::string name;
    std::vector<RatePoint> points;
    bool dashed = false;  // published curves, told apart from those measured here
};

// A place in the picture, x to the right and y downwards from the top left corner.
struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

struct PlotBox {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};

// Text sizes in pixels; the layout makes room for text of these sizes.
struct PlotFonts {
    double title = 15.0;
    double axisTitle = 13.0;
    double tickLabel = 11.0;
    double legend = 12.0;
};

// Round values from `low` to `high` every `step`, shown with `decimals` digits after the point.
struct AxisScale {
    double low = 0.0;
    double high = 1.0;
    double step = 0.25;
    int decimals = 2;
};

// The scale that covers `low` to `high` with about `intervals` steps of 1, 2, 2.5 or 5 times a power
// of ten, its ends on steps. An empty span (low == high) is widened by one; at least one decimal.
AxisScale roundScale(double low, double high, int intervals);

// A tick: where it sits along its axis in pixels (x for the horizontal axis, y for the vertical).
struct AxisTick {
    double position = 0.0;
    std::string label;
};

struct PlotAxis {
    AxisScale scale;
    std::string title;
    PlotPoint titleAnchor;  // the middle of the title's baseline; the vertical axis's title turns a quarter left
    std::vector<AxisTick> ticks;
};

// A curve in pixels: its finite points only, in their order.
struct PlacedCurve {
    bool dashed = false;
    std::vector<PlotPoint> points;
};

// A legend line: a short sample of the curve from `sampleStart` to the right, then the name (shortened
// with an ellipsis when it would not fit) from `textStart`, on the sample's height.
struct LegendEntry {
    std::string text;
    PlotPoint sampleStart;
    double sampleLength = 0.0;
    PlotPoint textStart;
};

// Everything in its place; curves and legend entries in the order of the curves given, so that the
// n-th of each belong together.
struct PlotLayout {
    double width = 0.0;
    double height = 0.0;
    PlotFonts fonts;
    std::string title;
    PlotPoint titleAnchor;  // the middle of its baseline
    PlotBox area;           // the curves, ticks and grid lie in it
    PlotAxis x;             // bits per pixel from zero to the furthest point
    PlotAxis y;             // over every finite quality
    std::vector<PlacedCurve> curves;
    std::vector<LegendEntry> legend;
};

// The layout of `curves` in a `width` x `height` picture: the title on top, the axes with round
// ticks left and below, the legend on the right. Without a finite point both axes run from 0 to 1.
PlotLayout layoutCurvePlot(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, double width, double height);

}  // namespace brenlow
