#include "app/sweep_progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <atomic>

#include "app/worker_thread.h"

namespace brenlow {

std::optional<SweepOutcome> runSweepWithProgress(QWidget* parent, const SweepSource& source,
                                                 const SweepSettings& settings) {
    const int total = static_cast<int>(settings.codecs.size() * settings.qualities.size());
    QProgressDialog dialog(QStringLiteral("Coding each codec at each quality..."), QStringLiteral("Cancel"), 0, total,
                           parent);
    dialog.setObjectName(QStringLiteral("SweepProgress"));
    dialog.setWindowTitle(QStringLiteral("Sweep"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);

    std::atomic<bool> cancelled{false};
    QObject::connect(&dialog, &QProgressDialog::canceled, [&cancelled] { cancelled = true; });
    SweepOutcome outcome;
    const auto progress = [&dialog, &cancelled](int done, int) {
        // Queued to the dialog: dropped unseen if it is gone by then.
        QMetaObject::invokeMethod(&dialog, [&dialog, done] { dialog.setValue(done); }, Qt::QueuedConnection);
        return !cancelled;
    };
    // The dialog's Cancel button must not show the command's wait cursor.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.show();
    try {
        runOnWorkerThread([&] { outcome = runSweep(source, settings, progress); });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();

    if (cancelled || outcome.cancelled) return std::nullopt;
    return outcome;
}

}  // namespace brenlow
