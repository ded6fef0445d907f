#include <optional>
#include <string>
#include <vector>

#include "bindings.h"
#include "brenlow/report.h"
#include "brenlow/requests.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "errors.h"
#include "io/error.h"
#include "waiting_run.h"

namespace brenlow::python {
namespace {

// A data set as the Python Results reads it: the core's outcome, the anchor its delta rates are
// taken against, the folders its pictures are found beside, and what the run did with its items.
struct StudyResults {
    DataSetOutcome outcome;
    std::string anchor;
    std::vector<std::string> folders;
    int itemsMade = 0;
    int itemsReused = 0;
};

std::string pathText(const std::optional<std::filesystem::path>& path) { return path ? path->string() : std::string(); }

// The delta rates on the aggregate curves against `asked` (None: the data set's anchor), as the
// command line's JSON rows.
std::string bdRatesJson(const StudyResults& results, const std::optional<std::string>& asked) {
    const std::string anchor = asked ? anchorOf(asked, results.outcome.curves) : results.anchor;
    return jsonLine(QJsonObject{{"anchor", QString::fromStdString(anchor)},
                                {"rows", deltaRowsJson(aggregateDeltaTable(results.outcome, anchor))}});
}

std::vector<py::dict> failedItems(const StudyResults& results) {
    std::vector<py::dict> failed;
    for (const FailedItem& item : results.outcome.failed)
        failed.push_back(py::dict(py::arg("picture") = item.picture, py::arg("codec") = item.curve,
                                  py::arg("reason") = item.reason));
    return failed;
}

void writeReport(const StudyResults& results, const std::filesystem::path& file, const std::optional<std::string>& asked) {
    const std::string path = file.string();
    const std::string anchor = asked ? anchorOf(asked, results.outcome.curves) : results.anchor;
    py::gil_scoped_release unlocked;
    aboutFile(path, [&] { writeDataSetReport(path, results.outcome, anchor, {}, results.folders); });
}

// Qualities and sizes arrive as the command line's texts, so that they are read and refused alike.
SweepRequest sweepRequestOf(const std::vector<std::string>& codecs, const std::optional<std::string>& qualities,
                            const std::vector<std::string>& qualitiesFor, const std::optional<std::string>& bpp,
                            const std::optional<std::vector<std::string>>& measures,
                            const std::optional<std::string>& anchor, int timingRuns) {
    SweepRequest request;
    request.curves = codecs;
    if (qualities) {
        if (const std::string problem = qualitiesProblem(*qualities); !problem.empty())
            throw UsageError("qualities: " + problem);
        request.qualities = parseQualities(*qualities);
    }
    request.qualitiesFor = qualitiesFor;
    if (bpp) {
        if (qualities || !qualitiesFor.empty())
            throw UsageError("bpp: a sweep codes either to sizes or at qualities: leave out qualities and qualities_for");
        try {
            request.bppTargets = parseBppTargets(*bpp);
        } catch (const Error& error) {
            throw UsageError(std::string("bpp: ") + error.what());
        }
    }
    if (measures) request.measures = measureChoiceNamed(*measures);
    if (timingRuns < 1 || timingRuns > 100) throw UsageError("timing_runs: give a whole number from 1 to 100");
    request.timingRuns = timingRuns;
    request.anchor = anchor;
    return request;
}

StudyResults sweep(const std::vector<std::string>& pictures, const std::vector<std::string>& codecs,
                   const std::optional<std::string>& qualities, const std::vector<std::string>& qualitiesFor,
                   const std::optional<std::string>& bpp, const std::optional<std::vector<std::string>>& measures,
                   const std::optional<std::string>& anchor, const std::optional<std::filesystem::path>& out,
                   std::optional<int> jobs, int timingRuns, const py::object& progress) {
    DataSetRequest request;
    request.pictures = pictures;
    request.sweep = sweepRequestOf(codecs, qualities, qualitiesFor, bpp, measures, anchor, timingRuns);
    request.resultFolder = pathText(out);
    RunControl control;
    if (jobs) {
        if (*jobs < 1) throw UsageError("jobs: give a whole number above 0, or None for one per core");
        control.jobs = *jobs;
    }
    DataSetPlan plan;
    {
        py::gil_scoped_release unlocked;
        plan = namingItsFile([&] { return planDataSet(request, control); });
    }
    DataSetRunOutcome done;
    // What fails in a run beyond its items is the result folder: made, locked or written.
    runWhileWaiting(
        [&](const RunControl& running) {
            if (request.resultFolder.empty()) done = runDataSet(plan, running);
            else done = aboutFile(request.resultFolder, [&] { return runDataSet(plan, running); });
        },
        control, progress);
    StudyResults results{std::move(done.outcome), plan.anchor, {}, done.work.computed,
                         done.work.reused};
    if (!request.resultFolder.empty()) results.folders.push_back(request.resultFolder);
    return results;
}

StudyResults evaluate(const std::filesystem::path& reference, const std::filesystem::path& decoded,
                      const std::string& name, const std::optional<std::filesystem::path>& out,
                      const std::optional<std::vector<std::string>>& measures) {
    EvaluationRequest request;
    request.referenceFolder = reference.string();
    request.decodedFolder = decoded.string();
    request.name = name;
    if (measures) request.measures = measureChoiceNamed(*measures);
    request.resultFolder = pathText(out);
    py::gil_scoped_release unlocked;
    DataSetRunOutcome done = namingItsFile([&] { return evaluateDecoded(planEvaluation(request)); });
    StudyResults results{std::move(done.outcome), {}, {}, done.work.computed, done.work.reused};
    results.anchor = anchorOf(std::nullopt, results.outcome.curves);
    if (!request.resultFolder.empty()) results.folders.push_back(request.resultFolder);
    return results;
}

StudyResults load(const std::vector<std::filesystem::path>& folders, const std::optional<std::string>& anchor) {
    StudyResults results;
    for (const std::filesystem::path& folder : folders) results.folders.push_back(folder.string());
    if (results.folders.empty()) throw UsageError("load: name at least one result folder");
    py::gil_scoped_release unlocked;
    OpenedResults opened = namingItsFile([&] { return openResults(results.folders, anchor); });
    results.outcome = std::move(opened.outcome);
    results.anchor = opened.anchor;
    return results;
}

}  // namespace

void bindStudies(py::module_& module) {
    py::class_<StudyResults>(module, "_DataSet", "A data set as the core holds it; brenlow.Results wraps it.")
        .def_readonly("anchor", &StudyResults::anchor)
        .def_readonly("folders", &StudyResults::folders)
        .def_readonly("items_made", &StudyResults::itemsMade)
        .def_readonly("items_reused", &StudyResults::itemsReused)
        .def_property_readonly("pictures", [](const StudyResults& results) { return results.outcome.pictures; })
        .def_property_readonly("codecs",
                               [](const StudyResults& results) {
                                   std::vector<std::string> names;
                                   for (const CodecCurve& curve : results.outcome.curves) names.push_back(curve.name);
                                   return names;
                               })
        .def("points_csv", [](const StudyResults& results) { return dataSetCsv(results.outcome); })
        .def("aggregate_csv", [](const StudyResults& results) { return aggregateCsv(results.outcome); })
        .def("failed", &failedItems)
        .def("json",
             [](const StudyResults& results) { return jsonLine(dataSetJson(results.outcome, results.anchor, {}, 0.0)); })
        .def("bd_rates_json", &bdRatesJson, py::arg("anchor") = py::none())
        .def("write_report", &writeReport, py::arg("path"), py::arg("anchor") = py::none());
    module.def("_sweep", &sweep, py::arg("pictures"), py::arg("codecs"), py::arg("qualities"),
               py::arg("qualities_for"), py::arg("bpp"), py::arg("measures"), py::arg("anchor"), py::arg("out"),
               py::arg("jobs"), py::arg("timing_runs"), py::arg("progress"));
    module.def("_evaluate", &evaluate, py::arg("reference"), py::arg("decoded"), py::arg("name"), py::arg("out"),
               py::arg("measures"));
    module.def("_load", &load, py::arg("folders"), py::arg("anchor") = py::none());
}

}  // namespace brenlow::python
