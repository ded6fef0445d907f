#include "report/paper_figure.h"

#include <cmath>
#include <limits>

#include "report/figure_drawing.h"
#include "report/svg_writer.h"

namespace brenlow {
namespace {

// Letters of 8 and 9 points, as journals ask for, and gaps to match.
PlotOptions printOptions(FigureWidth width) {
    PlotOptions options;
    options.legendBelow = width == FigureWidth::Column;
    options.fonts = {9.0, 9.0, 8.0, 8.0, 0.62};  // the painted font's letters are wide
    options.spacing = {4.0, 3.0, 4.0, 8.0, 16.0, 4.0, 11.0, 55.0, 32.0};
    return options;
}

struct FigureSize {
    double width;
    double height;
};

FigureSize figureSize(FigureWidth width) {
    constexpr double kPointsPerInch = 72.0;
    if (width == FigureWidth::Page) return {7.0 * kPointsPerInch, 4.0 * kPointsPerInch};
    return {3.5 * kPointsPerInch, 2.625 * kPointsPerInch};
}

double spreadOf(const AggregatePoint& point, std::size_t measureIndex, FigureSpread spread) {
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    if (spread == FigureSpread::None || measureIndex >= point.deviations.size()) return kNone;
    const double deviation = point.deviations[measureIndex];
    if (spread == FigureSpread::Deviation) return deviation;
    return measureIndex < point.counts.size() ? interval95HalfWidth(deviation, point.counts[measureIndex]) : kNone;
}

// The spreads of a curve's points in aggregateCurve's order.
std::vector<double> spreadsOf(const DataSetOutcome& outcome, const std::string& curve, CurveMeasure measure,
                              FigureSpread spread) {
    std::vector<double> spreads;
    for (const AggregatePoint& point : outcome.aggregate)
        if (point.curve == curve) spreads.push_back(spreadOf(point, measure.index(), spread));
    return spreads;
}

// A published curve is dashed even where its style draws it solid.
CurveStyle publishedStyle(CurveStyle style) {
    if (style.dash.empty()) style.dash = {3.0, 2.0};
    return style;
}

}  // namespace

PaperFigure paperFigure(const DataSetOutcome& outcome, const std::vector<ImportedCurve>& imported,
                        CurveMeasure measure, const FigureOptions& options) {
    std::vector<PlotCurve> curves;
    std::vector<std::string> names;
    for (const CodecCurve& curve : outcome.curves) {
        curves.push_back({curve.name, aggregateCurve(outcome, curve.name, measure), false,
                          spreadsOf(outcome, curve.name, measure, options.spread)});
        names.push_back(curve.name);
    }
    for (const ImportedCurve& published : imported) {
        const auto found = published.curves.find(measure);
        if (found == published.curves.end()) continue;
        curves.push_back({published.name + " (published)", found->second, true, {}});
        names.push_back(published.name);
    }
    const FigureSize size = figureSize(options.width);
    PaperFigure figure;
    figure.layout = layoutCurvePlot(curves, "", "Bits per pixel (bpp)", measureLabel(measure), size.width,
                                    size.height, printOptions(options.width));
    figure.name = measureLabel(measure) + " against bits per pixel";
    figure.styles = curveStyles(names);
    for (std::size_t i = outcome.curves.size(); i < figure.styles.size(); ++i)
        figure.styles[i] = publishedStyle(figure.styles[i]);
    return figure;
}

bool hasFinitePoint(const PaperFigure& figure) {
    for (const PlacedCurve& curve : figure.layout.curves)
        if (!curve.points.empty()) return true;
    return false;
}

std::string paperFigureSvg(const PaperFigure& figure) {
    SvgWriter svg(figure.layout.width, figure.layout.height, figure.name, SvgWriter::Kind::Document);
    drawStyledPlot(svg, figure.layout, figure.styles);
    return svg.finish() + "\n";
}

}  // namespace brenlow
