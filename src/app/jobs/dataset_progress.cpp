#include "app/jobs/dataset_progress.h"

#include <QFileInfo>
#include <algorithm>

#include "app/jobs/progress_dialog.h"
#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

int totalPoints(const DataSetRun& run) {
    return static_cast<int>(run.pictures.size()) * sweepPointCount(run.settings);
}

QString timeLeftText(qint64 ms) {
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60) return QStringLiteral("about %1 s left").arg(seconds);
    return QStringLiteral("about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString dataSetProgressText(const DataSetRun& run, int done, qint64 elapsedMs) {
    const int codecs = std::max(1, static_cast<int>(run.settings.curves.size()));
    // Points per item, on average: curves may have qualities of their own.
    const int qualities = std::max(1, sweepPointCount(run.settings) / codecs);
    const int items = static_cast<int>(run.pictures.size()) * codecs;
    const int item = std::clamp(done / qualities, 0, std::max(items - 1, 0));
    QString text = QStringLiteral("Item %1 of %2").arg(item + 1).arg(items);
    if (items > 0) {
        const QString picture = QFileInfo(QString::fromStdString(run.pictures[static_cast<std::size_t>(item / codecs)]))
                                    .fileName();
        text += QStringLiteral(": %1 with %2").arg(picture, curveTitle(run.settings.curves[static_cast<std::size_t>(item % codecs)].name));
    }
    const int total = totalPoints(run);
    text += QLatin1Char('\n');
    const double secondsLeft = secondsLeftAt(done, total, static_cast<double>(elapsedMs));
    text += secondsLeft >= 0 ? timeLeftText(static_cast<qint64>(secondsLeft)) : QStringLiteral("estimating the time left...");
    return text;
}

DataSetProgressOutcome runDataSetWithProgress(QWidget* parent, const DataSetPlan& plan) {
    const DataSetRun& run = plan.run;
    DataSetRunOutcome ran;
    runWithProgressDialog(
        parent, {QStringLiteral("DataSetProgress"), QStringLiteral("Data Set Sweep"), dataSetProgressText(run, 0, 0)},
        totalPoints(run),
        [&](const RunControl& asked) {
            RunControl control = asked;
            control.jobs = run.jobs;
            ran = runDataSet(plan, control);
        },
        [&run](const Progress& progress) {
            return dataSetProgressText(run, progress.done, static_cast<qint64>(progress.elapsedSeconds * 1000));
        });
    DataSetProgressOutcome result;
    result.picturesTotal = run.pictures.size();
    result.cancelled = ran.work.cancelled;
    result.summary = QString::fromStdString(workSummary(ran.work, run.resultFolder));
    for (const std::string& change : ran.work.codecChanges)
        result.summary += QStringLiteral(". ") + QString::fromStdString(change);
    result.picturesDone = ran.outcome.pictures.size();
    if (ran.hasOutcome) result.outcome = std::move(ran.outcome);
    return result;
}

}  // namespace brenlow
