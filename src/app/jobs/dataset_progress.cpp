#include "app/jobs/dataset_progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>
#include <atomic>

#include "app/jobs/worker_thread.h"
#include "app/shell/codec_titles.h"
#include "app/shell/plain_text.h"

namespace brenlow {
namespace {

int totalPoints(const DataSetRun& run) {
    return static_cast<int>(run.pictures.size()) * sweepPointCount(run.settings);
}

// Enough pictures at a time to keep every job busy; Cancel loses only those under way.
std::size_t picturesAtATime(const DataSetRun& run) {
    const std::size_t codecs = std::max<std::size_t>(run.settings.curves.size(), 1);
    return std::max<std::size_t>(1, (static_cast<std::size_t>(std::max(run.jobs, 1)) + codecs - 1) / codecs);
}

QString timeLeftText(qint64 ms) {
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60) return QStringLiteral("about %1 s left").arg(seconds);
    return QStringLiteral("about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The run's items one part of its pictures after another, their results gathered, until the end
// or a cancel; returns the pictures finished.
std::size_t runInParts(const DataSetRun& run, const std::function<bool(int)>& progress, DataSetWork& gathered) {
    const std::size_t step = picturesAtATime(run);
    const int pointsPerPicture = sweepPointCount(run.settings);
    std::size_t done = 0;
    while (done < run.pictures.size()) {
        DataSetRun part = run;
        const std::size_t end = std::min(run.pictures.size(), done + step);
        part.pictures.assign(run.pictures.begin() + static_cast<std::ptrdiff_t>(done),
                             run.pictures.begin() + static_cast<std::ptrdiff_t>(end));
        const int before = static_cast<int>(done) * pointsPerPicture;
        if (!progress(before)) break;
        DataSetWork work = runDataSetItems(part, [&](int points, int) { return progress(before + points); });
        if (work.cancelled) break;
        std::move(work.results.begin(), work.results.end(), std::back_inserter(gathered.results));
        gathered.computed += work.computed;
        gathered.failed += work.failed;
        done = end;
    }
    return done;
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
    text += done > 0 ? timeLeftText(elapsedMs * (total - done) / done) : QStringLiteral("estimating the time left...");
    return text;
}

DataSetProgressOutcome runDataSetWithProgress(QWidget* parent, const DataSetRun& run) {
    QProgressDialog dialog(QString(), QStringLiteral("Cancel"), 0, totalPoints(run), parent);
    // The text names pictures and curves.
    dialog.setLabel(plainLabel(dataSetProgressText(run, 0, 0)));
    dialog.setObjectName(QStringLiteral("DataSetProgress"));
    dialog.setWindowTitle(QStringLiteral("Data Set Sweep"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QElapsedTimer clock;
    clock.start();

    std::atomic<bool> cancelled{false};
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });
    const std::function<bool(int)> progress = [&](int done) {
        // Queued to the dialog: dropped unseen if it is gone by then.
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, &run, &clock, done] {
                dialog.setValue(done);
                dialog.setLabelText(dataSetProgressText(run, done, clock.elapsed()));
            },
            Qt::QueuedConnection);
        return !cancelled;
    };
    DataSetProgressOutcome result;
    result.picturesTotal = run.pictures.size();
    DataSetWork gathered;
    // The dialog's Cancel button must not show the command's wait cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.show();
    try {
        runOnWorkerThread([&] { result.picturesDone = runInParts(run, progress, gathered); });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    result.cancelled = result.picturesDone < run.pictures.size();
    if (result.picturesDone == 0) return result;
    DataSetRun finished = run;
    finished.pictures.resize(result.picturesDone);
    result.outcome = collectDataSet(finished, gathered);
    return result;
}

}  // namespace brenlow
