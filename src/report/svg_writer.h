#pragma once

#include <string>
#include <vector>

#include "report/plot_layout.h"

namespace brenlow {

// How a line or an outline is drawn; colours as "#rrggbb" or "none".
struct Stroke {
    std::string colour = "#000000";
    double width = 1.0;
    bool dashed = false;
};

struct TextStyle {
    double size = 12.0;
    bool bold = false;
    std::string anchor = "start";  // "start", "middle" or "end" of the text at its point
    std::string colour = "#404044";
    double turn = 0.0;             // degrees clockwise about its point
};

// `text` as the content of an SVG element: &, <, > and " escaped, and the control characters
// that XML does not allow replaced, so that a name read from a file is shown as typed.
std::string svgText(const std::string& text);

// An <svg> element written piece by piece, for an HTML page to hold inline (no XML prolog and no
// namespace: the page is HTML); coordinates in pixels with at most two decimals.
class SvgWriter {
public:
    SvgWriter(double width, double height, const std::string& title);

    void rect(const PlotBox& box, const std::string& fill, const Stroke& stroke);
    void line(PlotPoint from, PlotPoint to, const Stroke& stroke);
    // One path through the points in order; nothing for no points.
    void polyline(const std::vector<PlotPoint>& points, const Stroke& stroke);
    void circle(PlotPoint centre, double radius, const std::string& fill);
    void text(PlotPoint at, const std::string& content, const TextStyle& style);
    void beginGroup();
    void endGroup();

    // The element, closed.
    std::string finish();

private:
    std::string svg_;
};

}  // namespace brenlow
