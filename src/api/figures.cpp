#include "brenlow/figures.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <span>
#include <system_error>

#include "io/error.h"
#include "io/file_io.h"
#include "report/figure_painter.h"

namespace brenlow {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> figureBytes(const FigureSheet& sheet, FigureFormat format, int dotsPerInch = 300) {
    switch (format) {
        case FigureFormat::Svg:
            return bytesOf(figureSheetSvg(sheet));
        case FigureFormat::Pdf:
            return paperFigurePdf(sheet);
        case FigureFormat::Png:
            return paperFigurePng(sheet, dotsPerInch);
    }
    return {};
}

std::vector<std::uint8_t> figureBytes(const PaperFigure& figure, FigureFormat format) {
    return figureBytes(sheetOf(figure), format);
}

void makeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw Error("Cannot make the figures' folder (" + error.message() + ")", folder);
}

void writeFigureFile(const std::string& path, const PaperFigure& figure, CurveMeasure measure) {
    const FigureFormat format = figureFormatOfFile(path);
    if (!hasFinitePoint(figure))
        throw Error("No curve has a value of " + std::string(measureKey(measure)) + " to draw", path);
    writeFileAtomically(path, figureBytes(figure, format));
}

// The charts of `charts.measures`, each drawn by `figureOf(measure, width)`, under the heading.
template <typename FigureOf>
void writeChartSheet(const std::string& path, const ChartExport& charts, FigureOf figureOf) {
    const FigureFormat format = figureFormatOfFile(path);
    const FigureWidth eachWidth = charts.measures.size() > 1 ? FigureWidth::Column : charts.options.width;
    std::vector<PaperFigure> figures;
    for (CurveMeasure measure : charts.measures) {
        figures.push_back(figureOf(measure, eachWidth));
        if (!hasFinitePoint(figures.back()))
            throw Error("No curve has a value of " + std::string(measureKey(measure)) + " to draw", path);
    }
    if (figures.empty()) throw Error("No chart was chosen to draw", path);
    const FigureSheet sheet = figureSheet(std::move(figures), charts.heading, charts.options.width);
    writeFileAtomically(path, figureBytes(sheet, format, charts.dotsPerInch));
}

}  // namespace

std::string figureFormatName(FigureFormat format) {
    switch (format) {
        case FigureFormat::Svg:
            return "svg";
        case FigureFormat::Pdf:
            return "pdf";
        case FigureFormat::Png:
            return "png";
    }
    return "";
}

FigureFormat figureFormatOfFile(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (FigureFormat format : {FigureFormat::Svg, FigureFormat::Pdf, FigureFormat::Png})
        if (extension.size() > 1 && extension.substr(1) == figureFormatName(format)) return format;
    throw Error("A figure is written as .svg, .pdf or .png; name the file with one of those endings", path);
}

std::vector<CurveMeasure> figureMeasures(const DataSetOutcome& outcome, const FigureRequest& request) {
    if (!request.measures.empty()) return request.measures;
    std::vector<CurveMeasure> measures;
    for (CurveMeasure measure : deltaMeasuresTaken(outcome.parameters.measures))
        if (hasFinitePoint(paperFigure(outcome, request.imported, measure, request.options)))
            measures.push_back(measure);
    return measures;
}

std::vector<std::string> figurePaths(const DataSetOutcome& outcome, const FigureRequest& request) {
    std::vector<std::string> paths;
    for (CurveMeasure measure : figureMeasures(outcome, request))
        paths.push_back((std::filesystem::path(request.folder) /
                         (std::string(measureKey(measure)) + "." + figureFormatName(request.format)))
                            .string());
    return paths;
}

void writeFigure(const std::string& path, const DataSetOutcome& outcome, CurveMeasure measure,
                 const FigureOptions& options, const std::vector<ImportedCurve>& imported) {
    writeFigureFile(path, paperFigure(outcome, imported, measure, options), measure);
}

void writeCharts(const std::string& path, const DataSetOutcome& outcome, const ChartExport& charts) {
    writeChartSheet(path, charts, [&](CurveMeasure measure, FigureWidth width) {
        return paperFigure(outcome, {}, measure, {charts.options.spread, width});
    });
}

void writeCharts(const std::string& path, const SweepOutcome& outcome, const ChartExport& charts) {
    writeChartSheet(path, charts,
                    [&](CurveMeasure measure, FigureWidth width) { return paperFigure(outcome, measure, width); });
}

void writeFigures(const DataSetOutcome& outcome, const FigureRequest& request) {
    const std::vector<CurveMeasure> measures = figureMeasures(outcome, request);
    if (measures.empty())
        throw Error("No measure of the data set has a point to draw: no figure was written", request.folder);
    const std::vector<std::string> paths = figurePaths(outcome, request);
    std::vector<PaperFigure> figures;
    for (std::size_t i = 0; i < measures.size(); ++i) {
        figures.push_back(paperFigure(outcome, request.imported, measures[i], request.options));
        if (!hasFinitePoint(figures.back()))
            throw Error("No curve of the data set has a value of " + std::string(measureKey(measures[i])) +
                            " to draw; leave it out of the figures' measures",
                        paths[i]);
    }
    makeFolder(request.folder);
    for (std::size_t i = 0; i < figures.size(); ++i)
        writeFileAtomically(paths[i], figureBytes(figures[i], request.format));
}

}  // namespace brenlow
