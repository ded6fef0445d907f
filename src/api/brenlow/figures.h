#pragma once

#include <string>
#include <vector>

#include "experiments/dataset_outcome.h"
#include "experiments/imported_curves.h"
#include "report/paper_figure.h"

namespace brenlow {

enum class FigureFormat { Svg, Pdf, Png };

// "svg", "pdf", "png": the formats' names on the command line and their files' extensions.
std::string figureFormatName(FigureFormat format);

// The format a file's extension names (.svg, .pdf, .png, in any case); throws Error naming the file
// for any other.
FigureFormat figureFormatOfFile(const std::string& path);

struct FigureRequest {
    std::string folder;                    // made when missing
    FigureFormat format = FigureFormat::Pdf;
    std::vector<CurveMeasure> measures;    // empty: those the data set's delta rates are taken on
    FigureOptions options;
    std::vector<ImportedCurve> imported;   // drawn dashed beside the data set's curves
};

// The measures a request draws: those it names, else those of the data set's delta rates that
// have a point to draw.
std::vector<CurveMeasure> figureMeasures(const DataSetOutcome& outcome, const FigureRequest& request);

// The file of each measure's figure in the request's folder: its key and the format's extension
// ("psnr.pdf"), in the order of figureMeasures.
std::vector<std::string> figurePaths(const DataSetOutcome& outcome, const FigureRequest& request);

// One measure's figure to `path` in the format of its extension, whole or not at all. PDF and PNG
// need a QGuiApplication. Throws Error naming the file when the data set has no point of the
// measure or the file cannot be written.
void writeFigure(const std::string& path, const DataSetOutcome& outcome, CurveMeasure measure,
                 const FigureOptions& options, const std::vector<ImportedCurve>& imported);

// What the workbench exports of its charts: those of `measures` under `heading` (none when empty),
// one alone at the chosen width, or more at a column's width each, side by side on a page or one
// above the other in a column; a PNG at `dotsPerInch`.
struct ChartExport {
    std::vector<CurveMeasure> measures;
    std::string heading;
    FigureOptions options;
    int dotsPerInch = 300;
};

// The charts of a data set's aggregate, or of one picture's sweep, to `path` in the format of its
// extension, whole or not at all. Throws Error naming the file when a chart has no point to draw
// or the file cannot be written.
void writeCharts(const std::string& path, const DataSetOutcome& outcome, const ChartExport& charts);
void writeCharts(const std::string& path, const SweepOutcome& outcome, const ChartExport& charts);

// Every figure of the request to figurePaths, each whole or not at all; a measure named without a
// point to draw, or a data set without any, is refused before any file is written. Throws Error.
void writeFigures(const DataSetOutcome& outcome, const FigureRequest& request);

}  // namespace brenlow
