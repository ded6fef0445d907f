#include "report/figure_sheet.h"

#include <algorithm>

#include "report/figure_drawing.h"
#include "report/svg_writer.h"

namespace brenlow {
namespace {

constexpr double kHeadingSize = 10.0;
constexpr double kHeadingBand = 2.0 * kHeadingSize;
// The painted bold letters' width in font sizes, a little more than their average.
constexpr double kHeadingCharacterWidth = 0.65;

// Draws on another canvas with everything moved by an offset, so that a figure laid out from
// (0, 0) lands in its place on the sheet.
class ShiftedCanvas : public PlotCanvas {
public:
    ShiftedCanvas(PlotCanvas& target, PlotPoint offset) : target_(target), offset_(offset) {}

    void rect(const PlotBox& box, const std::string& fill, const Stroke& stroke) override {
        target_.rect({box.left + offset_.x, box.top + offset_.y, box.right + offset_.x, box.bottom + offset_.y},
                     fill, stroke);
    }
    void line(PlotPoint from, PlotPoint to, const Stroke& stroke) override {
        target_.line(shift(from), shift(to), stroke);
    }
    void polyline(const std::vector<PlotPoint>& points, const Stroke& stroke) override {
        target_.polyline(shift(points), stroke);
    }
    void polygon(const std::vector<PlotPoint>& corners, const std::string& fill) override {
        target_.polygon(shift(corners), fill);
    }
    void circle(PlotPoint centre, double radius, const std::string& fill) override {
        target_.circle(shift(centre), radius, fill);
    }
    void text(PlotPoint at, const std::string& content, const TextStyle& style) override {
        target_.text(shift(at), content, style);
    }
    void beginCurve() override { target_.beginCurve(); }
    void endCurve() override { target_.endCurve(); }

private:
    PlotPoint shift(PlotPoint point) const { return {point.x + offset_.x, point.y + offset_.y}; }
    std::vector<PlotPoint> shift(std::vector<PlotPoint> points) const {
        for (PlotPoint& point : points) point = shift(point);
        return points;
    }

    PlotCanvas& target_;
    PlotPoint offset_;
};

}  // namespace

FigureSheet sheetOf(PaperFigure figure) {
    FigureSheet sheet;
    sheet.name = figure.name;
    sheet.width = figure.layout.width;
    sheet.height = figure.layout.height;
    sheet.figures.push_back({std::move(figure), {0.0, 0.0}});
    return sheet;
}

FigureSheet figureSheet(std::vector<PaperFigure> figures, const std::string& heading, FigureWidth width) {
    FigureSheet sheet;
    sheet.heading = heading;
    sheet.headingSize = kHeadingSize;
    const double top = heading.empty() ? 0.0 : kHeadingBand;
    const bool sideBySide = width == FigureWidth::Page;
    PlotPoint corner{0.0, top};
    for (PaperFigure& figure : figures) {
        const double figureWidth = figure.layout.width;
        const double figureHeight = figure.layout.height;
        if (!sheet.name.empty()) sheet.name += "; ";
        sheet.name += figure.name;
        sheet.figures.push_back({std::move(figure), corner});
        sheet.width = std::max(sheet.width, corner.x + figureWidth);
        sheet.height = std::max(sheet.height, corner.y + figureHeight);
        if (sideBySide) corner.x += figureWidth;
        else corner.y += figureHeight;
    }
    sheet.headingAnchor = {sheet.width / 2.0, 1.4 * kHeadingSize};
    // A long file name takes smaller letters rather than run off the sheet's edges.
    if (!heading.empty())
        sheet.headingSize =
            std::min(kHeadingSize, sheet.width / (kHeadingCharacterWidth * static_cast<double>(heading.size())));
    return sheet;
}

bool hasFinitePoint(const FigureSheet& sheet) {
    return std::any_of(sheet.figures.begin(), sheet.figures.end(),
                       [](const PlacedFigure& placed) { return hasFinitePoint(placed.figure); });
}

void drawSheet(PlotCanvas& canvas, const FigureSheet& sheet) {
    if (!sheet.heading.empty()) {
        canvas.rect({0.0, 0.0, sheet.width, sheet.height}, "#ffffff", {"none", 0.0});
        canvas.text(sheet.headingAnchor, sheet.heading, {sheet.headingSize, true, "middle", "#000000"});
    }
    for (const PlacedFigure& placed : sheet.figures) {
        // A figure in the corner is drawn as it is, without even adding zeros to its coordinates.
        if (placed.corner.x == 0.0 && placed.corner.y == 0.0) {
            drawStyledPlot(canvas, placed.figure.layout, placed.figure.styles);
            continue;
        }
        ShiftedCanvas shifted(canvas, placed.corner);
        drawStyledPlot(shifted, placed.figure.layout, placed.figure.styles);
    }
}

std::string figureSheetSvg(const FigureSheet& sheet) {
    SvgWriter svg(sheet.width, sheet.height, sheet.name, SvgWriter::Kind::Document);
    drawSheet(svg, sheet);
    return svg.finish() + "\n";
}

}  // namespace brenlow
