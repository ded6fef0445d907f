#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"
#include "experiments/sweep_report.h"
#include "report/curve_styles.h"
#include "report/plot_layout.h"

// A figure for a paper: one measure's curves against bits per pixel, sized and lettered for print,
// each curve told apart by marker and dash as well as colour.

namespace brenlow {

// What the error bars show: nothing, one sample standard deviation over the pictures either side of
// the mean, or the half width of the mean's 95 % confidence interval.
enum class FigureSpread { None, Deviation, Interval95 };

// About 3.5 inches, a column of a two-column paper, or about 7 inches, a whole page's width.
enum class FigureWidth { Column, Page };

struct FigureOptions {
    FigureSpread spread = FigureSpread::None;
    FigureWidth width = FigureWidth::Column;
};

// Everything in its place, in points, with each curve's style in the order of the layout's curves.
struct PaperFigure {
    std::string name;   // the file's title; the paper's caption names the figure, so none is drawn
    PlotLayout layout;
    std::vector<CurveStyle> styles;
};

// The figure of `measure`: the data set's aggregate curves in their order, then the imported curves
// that report the measure, dashed and named "NAME (published)"; error bars on the data set's curves
// only, since published curves carry no spread.
PaperFigure paperFigure(const DataSetOutcome& outcome, const std::vector<ImportedCurve>& imported,
                        CurveMeasure measure, const FigureOptions& options);

// The figure of one picture's sweep on `measure`: its curves in their order, without error bars.
PaperFigure paperFigure(const SweepOutcome& outcome, CurveMeasure measure, FigureWidth width);

// True when some curve of the figure has a point to draw.
bool hasFinitePoint(const PaperFigure& figure);

// The figure as an SVG file of its own, sized in points; the same figure gives the same bytes.
std::string paperFigureSvg(const PaperFigure& figure);

}  // namespace brenlow
