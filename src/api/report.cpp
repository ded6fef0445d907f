#include "brenlow/report.h"

#include <filesystem>
#include <span>

#include "io/file_io.h"
#include "report/html_report.h"
#include "results/dataset_store.h"

namespace brenlow {
namespace {

std::string reportTitle(const DataSetOutcome& outcome) {
    return "Data set of " + std::to_string(outcome.pictures.size()) + " pictures: " + curveNamesText(outcome.curves);
}

// Where each picture is found now; "" where it is not.
std::vector<std::string> foundPictureFiles(const std::vector<std::string>& pictures,
                                           const std::vector<std::string>& folders) {
    std::vector<std::string> found = pictureFilesOfResults(pictures, folders);
    for (std::string& file : found)
        if (!fileExists(file)) file.clear();
    return found;
}

}  // namespace

void writeDataSetReport(const std::string& htmlPath, const DataSetOutcome& outcome, const std::string& anchor,
                        const std::vector<ImportedCurve>& imported, const std::vector<std::string>& resultFolders,
                        const std::string& commandLine) {
    ReportContext context = currentReportContext(anchor, imported);
    context.title = reportTitle(outcome);
    context.pictureFiles = foundPictureFiles(outcome.pictures, resultFolders);
    context.commandLine = commandLine;
    const std::filesystem::path path(htmlPath);
    for (const ReportPage& page : htmlReportPages(outcome, context, path.filename().string()))
        writeFileAtomically((path.parent_path() / page.fileName).string(),
                            std::span(reinterpret_cast<const std::uint8_t*>(page.html.data()), page.html.size()));
}

}  // namespace brenlow
