#include "app/dataset_progress.h"

#include "app/sweep_progress.h"

namespace brenlow {

std::optional<DataSetOutcome> runDataSetWithProgress(QWidget* parent, const DataSetRun& run) {
    const int total = static_cast<int>(run.pictures.size()) * sweepPointCount(run.settings);
    std::optional<DataSetOutcome> outcome;
    const bool finished = runWithProgressDialog(
        parent,
        {QStringLiteral("DataSetProgress"), QStringLiteral("Data Set Sweep"),
         QStringLiteral("Coding %1 pictures with each codec at each quality...").arg(run.pictures.size())},
        total, [&](const std::function<bool(int, int)>& progress) {
            const DataSetWork work = runDataSetItems(run, progress);
            if (!work.cancelled) outcome = collectDataSet(run, work);
        });
    if (!finished) return std::nullopt;
    return outcome;
}

}  // namespace brenlow
