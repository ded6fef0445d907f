#include "app/jobs/sweep_progress.h"

#include "app/jobs/progress_dialog.h"

namespace brenlow {

std::optional<SweepOutcome> runSweepWithProgress(QWidget* parent, PictureSweep& sweep) {
    const QString work = sweep.settings.bppTargets.empty() ? QStringLiteral("Coding each curve at each quality...")
                                                           : QStringLiteral("Coding each curve to each size...");
    const bool finished = runWithProgressDialog(parent, {QStringLiteral("SweepProgress"), QStringLiteral("Sweep"), work},
                                                sweepPointCount(sweep.settings),
                                                [&](const RunControl& control) { runPictureSweep(sweep, control); });
    if (!finished || sweep.outcome.cancelled) return std::nullopt;
    return std::move(sweep.outcome);
}

}  // namespace brenlow
