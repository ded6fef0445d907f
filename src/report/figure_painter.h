#pragma once

#include <cstdint>
#include <vector>

#include "report/figure_sheet.h"
#include "report/paper_figure.h"

// Paper figures painted by Qt: a PDF with its fonts embedded, and a PNG. Painting text needs a
// QGuiApplication (on the "offscreen" platform where there is no display); the SVG needs none.

namespace brenlow {

// The figure as a one-page PDF the figure's size; the same figure gives the same bytes. Throws
// Error when no QGuiApplication runs.
std::vector<std::uint8_t> paperFigurePdf(const PaperFigure& figure);

// The figure as a PNG at `dotsPerInch`; throws Error when no QGuiApplication runs.
std::vector<std::uint8_t> paperFigurePng(const PaperFigure& figure, int dotsPerInch = 300);

// The same of a sheet of figures.
std::vector<std::uint8_t> paperFigurePdf(const FigureSheet& sheet);
std::vector<std::uint8_t> paperFigurePng(const FigureSheet& sheet, int dotsPerInch = 300);

}  // namespace brenlow
