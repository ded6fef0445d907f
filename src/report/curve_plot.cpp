#include "report/curve_plot.h"

#include <array>

#include "report/svg_writer.h"

namespace brenlow {
namespace {

constexpr double kCurveWidth = 2.0;
constexpr double kMarkRadius = 3.0;
const char* kGridColour = "#e4e4e4";
const char* kAxisColour = "#8c8c8c";

// Enough colours that seven codecs and a few published curves never share one.
const std::string& curveColour(std::size_t index) {
    static const std::array<std::string, 12> colours{"#1f5fbf", "#e07b00", "#2e9e3e", "#c62828", "#7b3fb5", "#00897b",
                                                     "#8d6e63", "#d81b60", "#555555", "#9e9d24", "#17becf", "#3f51b5"};
    return colours[index % colours.size()];
}

void drawGrid(SvgWriter& svg, const PlotLayout& layout) {
    const PlotBox& area = layout.area;
    svg.rect(area, "none", {kGridColour, 1.0, false});
    const Stroke grid{kGridColour, 1.0, false};
    for (const AxisTick& tick : layout.x.ticks) svg.line({tick.position, area.top}, {tick.position, area.bottom}, grid);
    for (const AxisTick& tick : layout.y.ticks) svg.line({area.left, tick.position}, {area.right, tick.position}, grid);
    const Stroke axis{kAxisColour, 1.0, false};
    svg.line({area.left, area.bottom}, {area.right, area.bottom}, axis);
    svg.line({area.left, area.top}, {area.left, area.bottom}, axis);
}

void drawAxisTexts(SvgWriter& svg, const PlotLayout& layout) {
    const PlotFonts& fonts = layout.fonts;
    const TextStyle below{fonts.tickLabel, false, "middle"};
    for (const AxisTick& tick : layout.x.ticks)
        svg.text({tick.position, layout.area.bottom + 5.0 + fonts.tickLabel}, tick.label, below);
    const TextStyle beside{fonts.tickLabel, false, "end"};
    for (const AxisTick& tick : layout.y.ticks)
        svg.text({layout.area.left - 5.0, tick.position + 0.35 * fonts.tickLabel}, tick.label, beside);
    svg.text(layout.x.titleAnchor, layout.x.title, {fonts.axisTitle, false, "middle"});
    svg.text(layout.y.titleAnchor, layout.y.title, {fonts.axisTitle, false, "middle", "#404044", -90.0});
    svg.text(layout.titleAnchor, layout.title, {fonts.title, true, "middle"});
}

// A curve and its legend line in one group, so that each can be told apart in the document.
void drawCurve(SvgWriter& svg, const PlotLayout& layout, std::size_t index) {
    const std::string& colour = curveColour(index);
    const PlacedCurve& curve = layout.curves[index];
    const LegendEntry& entry = layout.legend[index];
    const Stroke stroke{colour, kCurveWidth, curve.dashed};
    svg.beginGroup();
    svg.polyline(curve.points, stroke);
    for (const PlotPoint& point : curve.points) svg.circle(point, kMarkRadius, colour);
    const PlotPoint sampleEnd{entry.sampleStart.x + entry.sampleLength, entry.sampleStart.y};
    svg.line(entry.sampleStart, sampleEnd, stroke);
    svg.circle({(entry.sampleStart.x + sampleEnd.x) / 2.0, entry.sampleStart.y}, kMarkRadius, colour);
    svg.text(entry.textStart, entry.text, {layout.fonts.legend});
    svg.endGroup();
}

}  // namespace

std::string curvePlotSvg(const std::vector<PlotCurve>& curves, const std::string& title, const std::string& xTitle,
                         const std::string& yTitle, int width, int height) {
    const PlotLayout layout = layoutCurvePlot(curves, title, xTitle, yTitle, width, height);
    SvgWriter svg(layout.width, layout.height, title);
    svg.rect({0.0, 0.0, layout.width, layout.height}, "#ffffff", {"none", 0.0, false});
    drawGrid(svg, layout);
    drawAxisTexts(svg, layout);
    for (std::size_t i = 0; i < layout.curves.size(); ++i) drawCurve(svg, layout, i);
    return svg.finish();
}

}  // namespace brenlow
