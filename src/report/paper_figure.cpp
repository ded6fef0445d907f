#include "report/paper_figure.h"

#include <cmath>
#include <limits>

#include "report/figure_drawing.h"
#include "report/figure_sheet.h"

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

// The figure of these curves: the first `measured` of them measured here, the rest published and
// dashed; each styled by its name in `styleNames`.
PaperFigure figureOf(const std::vector<PlotCurve>& curves, const std::vector<std::string>& styleNames,
                     std::size_t measured, CurveMeasure measure, FigureWidth width) {
    const FigureSize size = figureSize(width);
    PaperFigure figure;
    figure.name = measureLabel(measure) + " against bits per pixel";
    figure.layout = layoutCurvePlot(curves, "", "Bits per pixel (bpp)", measureLabel(measure), size.width,
                                    size.height, printOptions(width));
    figure.styles = curveStyles(styleNames);
    for (std::size_t i = measured; i < figure.styles.size(); ++i) figure.styles[i] = publishedStyle(figure.styles[i]);
    return figure;
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
    return figureOf(curves, names, outcome.curves.size(), measure, options.width);
}

PaperFigure paperFigure(const SweepOutcome& outcome, CurveMeasure measure, FigureWidth width) {
    std::vector<PlotCurve> curves;
    const std::vector<std::string> names = curveNamesOf(outcome);
    for (const std::string& name : names) curves.push_back({name, curveOf(outcome, name, measure)});
    return figureOf(curves, names, curves.size(), measure, width);
}

bool hasFinitePoint(const PaperFigure& figure) {
    for (const PlacedCurve& curve : figure.layout.curves)
        if (!curve.points.empty()) return true;
    return false;
}

std::string paperFigureSvg(const PaperFigure& figure) { return figureSheetSvg(sheetOf(figure)); }

}  // namespace brenlow
