#include "report/figure_drawing.h"

#include <cmath>
#include <numbers>

namespace brenlow {
namespace {

// In tick-label font sizes, so that a figure drawn larger keeps its proportions.
constexpr double kCurveWidth = 0.125;
constexpr double kMarkerSize = 0.6;
constexpr double kGridWidth = 0.05;
constexpr double kAxisWidth = 0.08;
constexpr double kErrorBarWidth = 0.08;
constexpr double kErrorCapLength = 0.35;
const char* kGridColour = "#dddddd";
const char* kAxisColour = "#404040";
const char* kTextColour = "#000000";

// Corners on a circle, the first straight up, every `step` radians clockwise.
std::vector<PlotPoint> corners(PlotPoint centre, const std::vector<double>& radii, double step) {
    std::vector<PlotPoint> points;
    for (std::size_t i = 0; i < radii.size(); ++i) {
        const double angle = static_cast<double>(i) * step;
        points.push_back({centre.x + radii[i] * std::sin(angle), centre.y - radii[i] * std::cos(angle)});
    }
    return points;
}

void drawFrame(PlotCanvas& canvas, const PlotLayout& layout) {
    const double unit = layout.fonts.tickLabel;
    const PlotBox& area = layout.area;
    canvas.rect({0.0, 0.0, layout.width, layout.height}, "#ffffff", {"none", 0.0});
    const Stroke grid{kGridColour, kGridWidth * unit};
    for (const AxisTick& tick : layout.x.ticks) canvas.line({tick.position, area.top}, {tick.position, area.bottom}, grid);
    for (const AxisTick& tick : layout.y.ticks) canvas.line({area.left, tick.position}, {area.right, tick.position}, grid);
    canvas.rect(area, "none", {kAxisColour, kAxisWidth * unit});
}

void drawTexts(PlotCanvas& canvas, const PlotLayout& layout) {
    const PlotFonts& fonts = layout.fonts;
    const double gap = layout.spacing.tickGap;
    for (const AxisTick& tick : layout.x.ticks)
        canvas.text({tick.position, layout.area.bottom + gap + fonts.tickLabel}, tick.label,
                    {fonts.tickLabel, false, "middle", kTextColour});
    for (const AxisTick& tick : layout.y.ticks)
        canvas.text({layout.area.left - gap, tick.position + 0.35 * fonts.tickLabel}, tick.label,
                    {fonts.tickLabel, false, "end", kTextColour});
    canvas.text(layout.x.titleAnchor, layout.x.title, {fonts.axisTitle, false, "middle", kTextColour});
    canvas.text(layout.y.titleAnchor, layout.y.title, {fonts.axisTitle, false, "middle", kTextColour, -90.0});
    if (!layout.title.empty())
        canvas.text(layout.titleAnchor, layout.title, {fonts.title, true, "middle", kTextColour});
}

void drawMarker(PlotCanvas& canvas, MarkerShape shape, PlotPoint centre, double size, const std::string& colour) {
    const MarkerOutline outline = markerOutline(shape, centre, size);
    if (outline.isCircle) canvas.circle(centre, size / 2.0, colour);
    if (!outline.corners.empty()) canvas.polygon(outline.corners, colour);
    const Stroke stroke{colour, size / 4.0};
    for (std::size_t i = 0; i + 1 < outline.strokes.size(); i += 2)
        canvas.line(outline.strokes[i], outline.strokes[i + 1], stroke);
}

void drawErrorBars(PlotCanvas& canvas, const std::vector<PlacedErrorBar>& bars, const std::string& colour,
                   double unit) {
    const Stroke stroke{colour, kErrorBarWidth * unit};
    const double cap = kErrorCapLength * unit / 2.0;
    for (const PlacedErrorBar& bar : bars) {
        canvas.line(bar.low, bar.high, stroke);
        canvas.line({bar.low.x - cap, bar.low.y}, {bar.low.x + cap, bar.low.y}, stroke);
        canvas.line({bar.high.x - cap, bar.high.y}, {bar.high.x + cap, bar.high.y}, stroke);
    }
}

void drawCurve(PlotCanvas& canvas, const PlotLayout& layout, std::size_t index, const CurveStyle& style) {
    const double unit = layout.fonts.tickLabel;
    const PlacedCurve& curve = layout.curves[index];
    const LegendEntry& entry = layout.legend[index];
    const Stroke stroke{style.colour, kCurveWidth * unit, curve.dashed, style.dash};
    const double marker = kMarkerSize * unit;
    canvas.beginCurve();
    canvas.polyline(curve.points, stroke);
    drawErrorBars(canvas, curve.errorBars, style.colour, unit);
    for (const PlotPoint& point : curve.points) drawMarker(canvas, style.marker, point, marker, style.colour);
    const PlotPoint sampleEnd{entry.sampleStart.x + entry.sampleLength, entry.sampleStart.y};
    canvas.line(entry.sampleStart, sampleEnd, stroke);
    drawMarker(canvas, style.marker, {(entry.sampleStart.x + sampleEnd.x) / 2.0, entry.sampleStart.y}, marker,
               style.colour);
    canvas.text(entry.textStart, entry.text, {layout.fonts.legend, false, "start", kTextColour});
    canvas.endCurve();
}

}  // namespace

MarkerOutline markerOutline(MarkerShape shape, PlotPoint centre, double size) {
    const double half = size / 2.0;
    const double pi = std::numbers::pi;
    MarkerOutline outline;
    switch (shape) {
        case MarkerShape::Circle:
            outline.isCircle = true;
            break;
        case MarkerShape::Square: {
            const double side = 0.85 * half;  // a square looks larger than a circle of the same width
            outline.corners = {{centre.x - side, centre.y - side}, {centre.x + side, centre.y - side},
                               {centre.x + side, centre.y + side}, {centre.x - side, centre.y + side}};
            break;
        }
        case MarkerShape::Triangle:
            outline.corners = corners({centre.x, centre.y + 0.15 * half}, std::vector<double>(3, 1.2 * half),
                                      2.0 * pi / 3.0);
            break;
        case MarkerShape::Diamond:
            outline.corners = corners(centre, std::vector<double>(4, 1.15 * half), pi / 2.0);
            break;
        case MarkerShape::Cross:
            outline.strokes = {{centre.x - half, centre.y - half}, {centre.x + half, centre.y + half},
                               {centre.x - half, centre.y + half}, {centre.x + half, centre.y - half}};
            break;
        case MarkerShape::Plus:
            outline.strokes = {{centre.x - half, centre.y}, {centre.x + half, centre.y},
                               {centre.x, centre.y - half}, {centre.x, centre.y + half}};
            break;
        case MarkerShape::Star:
            outline.corners = corners(centre, {1.25 * half, 0.5 * half, 1.25 * half, 0.5 * half, 1.25 * half,
                                               0.5 * half, 1.25 * half, 0.5 * half, 1.25 * half, 0.5 * half},
                                      pi / 5.0);
            break;
    }
    return outline;
}

void drawStyledPlot(PlotCanvas& canvas, const PlotLayout& layout, const std::vector<CurveStyle>& styles) {
    drawFrame(canvas, layout);
    drawTexts(canvas, layout);
    for (std::size_t i = 0; i < layout.curves.size() && i < styles.size(); ++i) drawCurve(canvas, layout, i, styles[i]);
}

}  // namespace brenlow
