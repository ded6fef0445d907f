#pragma once

#include <string>
#include <utility>
#include <vector>

#include "report/plot_layout.h"

namespace brenlow {

// How a line or an outline is drawn; colours as "#rrggbb" or "none".
struct Stroke {
    Stroke(std::string strokeColour = "#000000", double strokeWidth = 1.0, bool isDashed = false,
           std::vector<double> dashLengths = {})
        : colour(std::move(strokeColour)), width(strokeWidth), dashed(isDashed), dash(std::move(dashLengths)) {}

    std::string colour = "#000000";
    double width = 1.0;
    bool dashed = false;       // a plain dash of three widths on, two off, unless `dash` says otherwise
    std::vector<double> dash;  // on and off lengths in line widths; empty: `dashed` decides
};

struct TextStyle {
    double size = 12.0;
    bool bold = false;
    std::string anchor = "start";  // "start", "middle" or "end" of the text at its point
    std::string colour = "#404044";
    double turn = 0.0;             // degrees clockwise about its point
};

// The on and off lengths of a stroke's dashes in line widths; empty for a solid line.
std::vector<double> dashPattern(const Stroke& stroke);

// Where a plot is drawn: an SVG document, or a painter on a PDF page or a picture. Coordinates in
// the layout's unit, x to the right and y downwards.
class PlotCanvas {
public:
    virtual ~PlotCanvas() = default;
    virtual void rect(const PlotBox& box, const std::string& fill, const Stroke& stroke) = 0;
    virtual void line(PlotPoint from, PlotPoint to, const Stroke& stroke) = 0;
    // One path through the points in order; nothing for no points.
    virtual void polyline(const std::vector<PlotPoint>& points, const Stroke& stroke) = 0;
    // A closed shape filled with one colour, without an outline.
    virtual void polygon(const std::vector<PlotPoint>& corners, const std::string& fill) = 0;
    virtual void circle(PlotPoint centre, double radius, const std::string& fill) = 0;
    virtual void text(PlotPoint at, const std::string& content, const TextStyle& style) = 0;
    // What is drawn between these belongs to one curve (an element of its own where the output has them).
    virtual void beginCurve() = 0;
    virtual void endCurve() = 0;
};

}  // namespace brenlow
