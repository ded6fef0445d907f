#pragma once

#include <string>
#include <vector>

#include "report/plot_canvas.h"

namespace brenlow {

// `text` as the content of an SVG element: &, <, > and " escaped, and the control characters
// that XML does not allow replaced, so that a name read from a file is shown as typed.
std::string svgText(const std::string& text);

// An <svg> element written piece by piece, coordinates with at most two decimals: by default for an
// HTML page to hold inline (no XML prolog and no namespace: the page is HTML), in pixels; as a
// document of its own, an SVG file sized in points.
class SvgWriter : public PlotCanvas {
public:
    enum class Kind { Inline, Document };

    SvgWriter(double width, double height, const std::string& title, Kind kind = Kind::Inline);

    void rect(const PlotBox& box, const std::string& fill, const Stroke& stroke) override;
    void line(PlotPoint from, PlotPoint to, const Stroke& stroke) override;
    void polyline(const std::vector<PlotPoint>& points, const Stroke& stroke) override;
    void polygon(const std::vector<PlotPoint>& corners, const std::string& fill) override;
    void circle(PlotPoint centre, double radius, const std::string& fill) override;
    void text(PlotPoint at, const std::string& content, const TextStyle& style) override;
    void beginGroup();
    void endGroup();
    // A group of class "curve", so that a reader of the file can count and pick out the curves.
    void beginCurve() override;
    void endCurve() override;

    // The element, closed.
    std::string finish();

private:
    std::string svg_;
};

}  // namespace brenlow
