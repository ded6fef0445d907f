#include "app/jobs/sweep_progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <atomic>

#include "app/jobs/worker_thread.h"

namespace brenlow {

bool runWithProgressDialog(QWidget* parent, const ProgressText& text, int total,
                           const std::function<void(const std::function<bool(int done, int total)>&)>& work) {
    QProgressDialog dialog(text.label, QStringLiteral("Cancel"), 0, total, parent);
    dialog.setObjectName(text.name);
    dialog.setWindowTitle(text.title);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);

    std::atomic<bool> cancelled{false};
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });
    const std::function<bool(int, int)> progress = [&dialog, &cancelled](int done, int) {
        // Queued to the dialog: dropped unseen if it is gone by then.
        QMetaObject::invokeMethod(&dialog, [&dialog, done] { dialog.setValue(done); }, Qt::QueuedConnection);
        return !cancelled;
    };
    // The dialog's Cancel button must not show the command's wait cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.show();
    try {
        runOnWorkerThread([&] { work(progress); });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    return !cancelled;
}

std::optional<SweepOutcome> runSweepWithProgress(QWidget* parent, const SweepSource& source,
                                                 const SweepSettings& settings) {
    const int total = sweepPointCount(settings);
    SweepOutcome outcome;
    const QString work = settings.bppTargets.empty() ? QStringLiteral("Coding each curve at each quality...")
                                                     : QStringLiteral("Coding each curve to each size...");
    const bool finished = runWithProgressDialog(
        parent, {QStringLiteral("SweepProgress"), QStringLiteral("Sweep"), work},
        total, [&](const std::function<bool(int, int)>& progress) { outcome = runSweep(source, settings, progress); });
    if (!finished || outcome.cancelled) return std::nullopt;
    return outcome;
}

}  // namespace brenlow
