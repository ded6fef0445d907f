#include "cli/report_command.h"

#include <QGuiApplication>
#include <iostream>
#include <memory>

#include "brenlow/figures.h"
#include "brenlow/report.h"
#include "brenlow/studies.h"
#include "cli/dataset_commands.h"
#include "cli/research_commands.h"
#include "cli/run_outputs.h"

namespace brenlow::cli {
namespace {

FigureSpread spreadNamed(const std::string& name) {
    if (name == "sd") return FigureSpread::Deviation;
    if (name == "ci95") return FigureSpread::Interval95;
    return FigureSpread::None;
}

FigureFormat formatNamed(const std::string& name) {
    if (name == "svg") return FigureFormat::Svg;
    if (name == "png") return FigureFormat::Png;
    return FigureFormat::Pdf;
}

FigureRequest figureRequestOf(const Request& request, const std::vector<ImportedCurve>& imported) {
    FigureRequest figures;
    figures.folder = request.figuresFolder;
    figures.format = formatNamed(request.figureFormat);
    for (const std::string& key : request.figureMeasures) figures.measures.emplace_back(key);
    figures.options = {spreadNamed(request.figureSpread),
                       request.figureWidth == "page" ? FigureWidth::Page : FigureWidth::Column};
    figures.imported = imported;
    return figures;
}

// Painted text needs a QGuiApplication; the tool makes one on the platform that needs no display,
// so that figures are drawn the same on a server, in a batch job and at a desk.
std::unique_ptr<QGuiApplication> guiApplicationFor(FigureFormat format) {
    if (format == FigureFormat::Svg || QCoreApplication::instance() != nullptr) return nullptr;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brenlow-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

std::size_t runReportCommand(const Request& request) {
    const auto locks = lockedForReading(request.files);
    const std::vector<std::string> inputs = dataSetInputs(request, {}, request.files);
    checkDataSetOutputs(request, inputs);
    const DataSetOutcome outcome = loadDataSet(request.files);
    const std::vector<ImportedCurve> imported = importedCurves(request);
    checkImportNames(imported, outcome.curves);
    if (!request.figuresFolder.empty()) {
        const FigureRequest figures = figureRequestOf(request, imported);
        checkOutputs(figurePaths(outcome, figures), inputs);
        const auto application = guiApplicationFor(figures.format);
        writeFigures(outcome, figures);
    }
    if (!request.htmlPath.empty())
        writeDataSetReport(request.htmlPath, outcome, anchorOf(sweepRequestOf(request), outcome.curves), imported,
                           request.files, request.typed);
    return writeFailedItems(outcome.failed, std::cerr);
}

}  // namespace brenlow::cli
