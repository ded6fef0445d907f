#pragma once

#include <string>
#include <vector>

#include "report/paper_figure.h"
#include "report/plot_canvas.h"

// What the workbench exports: one chart or two under a heading naming the picture and the anchor.
// A lone figure without a heading is drawn exactly as the figure is, so that paper figures keep
// their bytes.

namespace brenlow {

// A figure with its top left corner on the sheet.
struct PlacedFigure {
    PaperFigure figure;
    PlotPoint corner;
};

struct FigureSheet {
    std::string name;     // the file's title: its figures' names, as a paper's figure has it
    std::string heading;  // drawn across the top; empty: none, and no room taken
    PlotPoint headingAnchor;  // the middle of its baseline
    double headingSize = 0.0;
    double width = 0.0;
    double height = 0.0;
    std::vector<PlacedFigure> figures;
};

// The figure alone, as a paper has it.
FigureSheet sheetOf(PaperFigure figure);

// The figures under `heading`: side by side for a page, one above the other for a column. More
// than one figure is laid out at the column's size each, so that each keeps its legend below.
FigureSheet figureSheet(std::vector<PaperFigure> figures, const std::string& heading, FigureWidth width);

// True when some figure of the sheet has a point to draw.
bool hasFinitePoint(const FigureSheet& sheet);

// Paints the heading, if any, on white, then each figure in its place.
void drawSheet(PlotCanvas& canvas, const FigureSheet& sheet);

// The sheet as an SVG file of its own, sized in points.
std::string figureSheetSvg(const FigureSheet& sheet);

}  // namespace brenlow
