#include "cli/report_command.h"

#include <QApplication>
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <span>

#include "cli/dataset_commands.h"
#include "cli/research_commands.h"
#include "cli/run_outputs.h"
#include "io/file_io.h"
#include "report/html_report.h"
#include "results/dataset_run.h"

namespace brenlow::cli {
namespace {

// Qt Charts draws with widgets, which need a platform; a terminal without a display gets the offscreen one.
void chooseOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Qt's platform wants a runtime folder; without XDG_RUNTIME_DIR it makes one in TMPDIR, warns, and
// leaves it there. A private one is made for the report instead and removed with everything in it.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
        const QByteArray base = qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
        std::string pattern = base.toStdString() + "/brenlow-runtime-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return;
        folder_ = pattern;
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder_));
    }
    ~PrivateRuntimeFolder() {
        if (folder_.empty()) return;
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
        qunsetenv("XDG_RUNTIME_DIR");
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

private:
    std::string folder_;
};

std::string reportTitle(const DataSetOutcome& outcome) {
    return "Data set of " + std::to_string(outcome.pictures.size()) + " pictures: " + curveNamesText(outcome.curves);
}

}  // namespace

bool reportAvailable() {
    return true;
}

std::size_t runReportCommand(const Request& request) {
    // Everything that can fail on the user's files fails before a window system is touched.
    const auto locks = lockedForReading(request.files);
    checkDataSetOutputs(request, dataSetInputs(request, {}, request.files));
    const DataSetOutcome outcome = loadDataSet(request.files);
    ReportContext context = currentReportContext(anchorOf(sweepRequestOf(request), outcome.curves), importedCurves(request));
    checkImportNames(context.imported, outcome.curves);
    context.title = reportTitle(outcome);

    chooseOffscreenWithoutDisplay();
    const PrivateRuntimeFolder runtimeFolder;
    int argc = 1;
    char name[] = "brenlow-cli";
    char* argv[] = {name, nullptr};
    const QApplication application(argc, argv);
    const std::string page = htmlReport(outcome, context);
    writeFileAtomically(request.htmlPath,
                        std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size()));
    return writeFailedItems(outcome.failed, std::cerr);
}

}  // namespace brenlow::cli
