#pragma once

#include <string>
#include <utility>
#include <vector>

#include "experiments/bd_rate.h"

// Where everything of a rate-quality plot goes, before any output format is chosen: the SVG of the
// report draws it in pixels, the paper figures in points, and other outputs can draw the same layout.

namespace brenlow {

// One line of a plot: its legend name and its points in order; non-finite points are left out.
struct PlotCurve {
    PlotCurve(std::string curveName, std::vector<RatePoint> curvePoints, bool isDashed = false,
              std::vector<double> pointSpreads = {})
        : name(std::move(curveName)), points(std::move(curvePoints)), dashed(isDashed),
          spreads(std::move(pointSpreads)) {}

    std::string name;
    std::vector<RatePoint> points;
    bool dashed = false;  // published curves, told apart from those measured here
    // Half the height of each point's error bar, in the order of `points`; empty or non-finite: none.
    std::vector<double> spreads;
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
    // No font is at hand to measure with, so a text's width is estimated from its length: this
    // many font sizes a character, a little wider than the font's average.
    double characterWidth = 0.55;
};

// The gaps and sample lengths of a plot, in the unit of its width and height.
struct PlotSpacing {
    double padding = 8.0;
    double tickGap = 5.0;        // between a tick label and its axis
    double titleGap = 8.0;       // between the tick labels and the axis title
    double legendGap = 16.0;     // between the plot area and the legend
    double sampleLength = 24.0;  // of a legend's line sample
    double sampleGap = 6.0;      // between the sample and the name
    double legendRow = 20.0;
    double xStepLength = 90.0;   // about that far apart, ticks neither crowd nor thin out
    double yStepLength = 60.0;
};

struct PlotOptions {
    PlotFonts fonts;
    PlotSpacing spacing;
    // The legend in rows below the axis title rather than beside the plot, where a narrow figure
    // would give it too much of its width.
    bool legendBelow = false;
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

// An error bar from the point's lowest value to its highest.
struct PlacedErrorBar {
    PlotPoint low;
    PlotPoint high;
};

// A curve in place: its finite points only, in their order, and the error bars of those that have one.
struct PlacedCurve {
    bool dashed = false;
    std::vector<PlotPoint> points;
    std::vector<PlacedErrorBar> errorBars;
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
    PlotSpacing spacing;
    std::string title;
    PlotPoint titleAnchor;  // the middle of its baseline
    PlotBox area;           // the curves, ticks and grid lie in it
    PlotAxis x;             // bits per pixel from zero to the furthest point
    PlotAxis y;             // over every finite quality and error bar
    std::vector<PlacedCurve> curves;
    std::vector<LegendEntry> legend;
};

// The layout of `curves` in a `width` x `height` picture: the title on top, the axes with round
// ticks left and below, the legend on the right. Without a finite point both axes run from 0 to 1.
PlotLayout layoutCurvePlot(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, double width, double height);

// The same with other text sizes and gaps; an empty title takes no room.
PlotLayout layoutCurvePlot(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                           const std::string& yTitle, double width, double height, const PlotOptions& options);

}  // namespace brenlow
